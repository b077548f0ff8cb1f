// Edit > Cut, Copy, Paste, Clear, Undo and Select All act on the window that
// has the keyboard focus: the equation pane inside the frame, or the edit
// box of a dialog outside it.
#pragma once

class CMainFrame;
class QWidget;

// The focus is in the frame (or nowhere), so the equation pane does the work.
bool FocusIsInFrame(const CMainFrame& frame);
// The focused edit box, when the focus is in one.
QWidget* FocusedEditBox();

void EditCut(CMainFrame& frame);
void EditCopy(CMainFrame& frame);
void EditPaste(CMainFrame& frame);
void EditClear(CMainFrame& frame);
void EditUndo(CMainFrame& frame);
void EditSelectAll(CMainFrame& frame);
