// The formula scrap on the system clipboard: a formula travels as its
// linear text under the program's private format together with a picture of
// it; plain text from other programs is read as a formula. Also pictures of
// whole formulas for export. User-interface thread only.
#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>

class QMimeData;
struct DocState;
struct EditorState;

// The private format's MIME type.
extern const char* const kFormulaMimeType;
// Clipboard formula text longer than this is refused unread.
constexpr qsizetype kLongestClipboardFormula = 1 << 20;

// Copy (command 8705) of the state's selection onto the clipboard: the
// private format and a picture, no plain text. False when nothing was
// copied (an operator gap, for one, has no text).
bool CopyFormulaToClipboard(EditorState* state);
// Copy As Text: the selection as plain linear text.
bool CopyFormulaAsText(EditorState* state);
// Puts the text alone on the clipboard as plain text.
void PutTextOnClipboard(const QByteArray& text);
// Adds a picture of the state's selection to the clipboard data.
void PutFormulaPictureOnClipboard(EditorState* state, QMimeData* data);
// Paste: the private format, else plain text, read into the scrap, then
// command 8706. False when the clipboard held no formula.
bool PasteFormulaFromClipboard(EditorState* state);
// The Paste command is offered: the private format or text is there.
bool ClipboardCanPaste();
// Text with a tab or a line break is meant for a table's cells.
bool ClipboardHasTableText();

// The scrap from outside data: the private format's bytes (up to a NUL) or
// text, read as one formula. False, with the scrap as it was, when the data
// is no formula.
bool FormulaScrapFromText(const QByteArray& bytes);
bool FormulaScrapFromMimeData(const QMimeData* data);

// The linear text of the scrap; empty when it holds no tree.
QByteArray FormulaScrapText(bool bracket);

// A picture of the selection of the state (wrapped at the width; 0 or less
// for no wrapping), and of the state's whole formula; white behind black
// ink. Null for a formula wider or taller than a picture may be.
QImage RenderSelectionPicture(EditorState* state, int wrapWidth);
QImage RenderFormulaPicture(EditorState* state);
// An equation line as the pane shows it: its colour swatch in a 40-pixel
// margin, then its formula wrapped at the width (0 or less: none). Null for
// a line without a formula.
QImage RenderLinePicture(DocState* doc, int32_t index, int wrapWidth);
