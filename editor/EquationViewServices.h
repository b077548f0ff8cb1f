// What the drawing floor asks of the equation pane: the view, whether it
// prints, a device context of its window, the typesetting device context and
// scroll-bar placement.
#pragma once

#include "CoreUtilities/ShortRect.h"
#include "drawing/EquationPaneHooks.h"
#include "platform/ScrollBarPlacement.h"

#include <cstdint>

class CGraphView;
class COurEdit;
class CMainFrame;
class COndrelView;
class PortDC;
class QWidget;
struct DocState;

COndrelView* GetEquationView();
// The view records itself when it is made and clears itself when it goes.
void SetEquationView(COndrelView* view);
// The main frame and the graph pane's view record themselves likewise.
CMainFrame* GetMainFrame();
void SetMainFrame(CMainFrame* frame);
CGraphView* GetGraphView();
void SetGraphView(CGraphView* view);
// The rectangle of the current selection in the equation pane, in window
// coordinates; empty while nothing is selected.
ShortRect GetSelectionRect();
// A drag of the selected term can start.
bool CanDragSelectedTerm();
void SetEquationViewPrinterDC(PortDC* dc);

// Sets the cursor of the equation pane for a mouse position; the graph
// pane's services, which keep the cursors and zones, register it.
using EquationPaneCursorSetter = void (*)(ShortPoint p, bool dragging);
void SetEquationPaneCursorSetter(EquationPaneCursorSetter setter);
void SetEquationPaneCursorFor(ShortPoint p, bool dragging);

// Gives the drawing floor the pane's answers (start-up, once).
void RegisterEquationPaneHooks();

// The pane's services to the document and the frame; each does nothing
// without the view.
void InvalidateEquationLayout();
void InvalidateEquationPane();
void RedrawEquationPane();
void FocusEquationView();
// The view, or the current text box in text editing, takes the focus.
void FocusCurrentEditor();
void UpdateEquationCaret();
void ScrollEquationCaretIntoView();
void ApplyScrollToLines(int32_t totalHeight);
bool HasVerticalScrollBar();
int32_t GetVScrollBarWidth();
int32_t GetHScrollBarHeight();
// The graph bar's animation slider; 0 without a frame.
int32_t GetAnimationSliderValue();
// Lays every line out with the device context as the typesetting context
// (null: a measuring context of the view).
void LayoutLinesWithDC(PortDC* dc);
// A math-pane slider's window at (x, y) of the unscrolled pane.
void PositionMathPaneSlider(QWidget* slider, int32_t x, int32_t y);
void DeleteWindowObject(QWidget* window);
void DestroyAndDeleteWindow(QWidget* window);
// Select All by the edit mode: the whole formula while one is edited.
void SelectAllByEditMode();
void RecomputeDocument();
// The line layout's height while printing.
void SetViewLayoutValue(int32_t value);
int32_t GetViewLayoutValue();

// Text boxes of text blocks: the window of a box, moved by a scroll, placed
// at a rectangle, and its height.
QWidget* TextBoxWindow(COurEdit* box);
void MoveTextBoxBy(COurEdit* box, int32_t dy);
void PlaceTextBox(COurEdit* box, const ShortRect& rect, const ShortRect& visible);
int32_t GetTextBoxHeight(COurEdit* box);

// The layout's names for the same services.
inline bool EquationViewHasVScrollBar() { return HasVerticalScrollBar(); }
inline void SetEquationPaneExtent(int32_t totalHeight) { ApplyScrollToLines(totalHeight); }
inline void PlaceMathPaneSlider(QWidget* slider, int32_t x, int32_t y) { PositionMathPaneSlider(slider, x, y); }
// The equation pane's rectangle, for callers that hold a window.
void GetMathPaneRectOf(ShortRect* rect, QWidget* window);

// The caret hidden and shown again without moving it.
void HideSystemCaret();
void ShowSystemCaret();
void InvalidateWindow(QWidget* window);
// Shows the window, gives it the focus and updates the caret.
void ShowAndFocusWindow(QWidget* window);
bool IsControlVisible(QWidget* window);
// A math-pane slider's position, read and set with a redraw.
int32_t GetSliderPos(QWidget* slider);
void SetSliderPos(int32_t position, QWidget* slider);
// A scroll bar of the pane's own (a table's), ranged 0..max with a page of 1.
QWidget* CreatePaneScrollBar(bool vertical);
void SetScrollBarRange(QWidget* bar, int32_t max);
int32_t GetVerticalScrollPos(QWidget* bar);
void SetVerticalScrollPos(int32_t position, QWidget* bar);
// A key a demonstration types, through the pane as a typed key.
void TypeDemoKey(uint32_t ch);
// Set while the demonstration player hands a pane a mouse event, so that
// the pane takes it although a demonstration runs.
inline bool DemoMouseMessage = false;
// Keys the user presses in the pane while a demonstration runs (Qt key
// codes) go to the handler the frame registers.
using DemoKeyHandler = void (*)(int key);
void SetDemoKeyHandler(DemoKeyHandler handler);
void HandleDemoKey(int key);

// The document's hooks the pane serves (start-up, once).
void RegisterEquationViewServices();
