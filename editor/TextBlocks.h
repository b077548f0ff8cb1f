// Text blocks: the boxes that hold a document's prose, the character
// formats the Text menu and the document reader set on them, and the
// markup in which a block is stored in document text.
//
// Markup: "<font=" face ">" and "<size=" pixels ">" switch face and size;
// "<B>", "<I>", "<U>" and their closing forms switch the effects; "<<"
// stands for "<" and two double quotes for one; a carriage return ends a
// paragraph; every other byte is UTF-8 text.
#pragma once

#include <QString>

#include <cstdint>
#include <string>

class COurEdit;
class QTextDocument;
class QWidget;
struct DocState;

enum TextEffect : int32_t { TextBold = 1, TextItalic = 2, TextUnderline = 4 };

// A new box in the equation pane (unparented without one), hidden until the
// pane lays it out.
COurEdit* NewTextBox();
// A box for a new text block: the document's face and size, or with
// copyFormat the format at the end of the nearest text block at or above
// the current line.
COurEdit* CreateTextBox(DocState* doc, bool copyFormat);
// The document line whose text block the box is, or -1.
int32_t FindTextBlockLine(const COurEdit* box);
// The box of the current line while a text block or cell is edited.
COurEdit* CurrentTextBox();

// The selection becomes the text: UTF-8 bytes, or the Macintosh code page
// when utf8 is clear. NUL bytes are dropped.
void ReplaceTextBoxSelection(const char* bytes, int32_t length, bool utf8, COurEdit* box);
// Formats of the selection, or of the insertion point when nothing is
// selected.
void SetTextBoxSelectionFace(const char* face, COurEdit* box);
void SetTextBoxSelectionSize(int32_t pixels, COurEdit* box);
void SetTextBoxEffect(int32_t mask, int32_t effects, COurEdit* box);
void SetTextBoxBold(COurEdit* box, bool on);
void SetTextBoxItalic(COurEdit* box, bool on);
void SetTextBoxUnderline(COurEdit* box, bool on);

// The selection's format: what holds for all of it.
struct TextSelectionFormat {
    QString face;              // empty when mixed
    int32_t pixels = 0;        // 0 when mixed
    int32_t effectsOn = 0;     // TextEffect bits set throughout
    int32_t effectsOff = 0;    // TextEffect bits clear throughout
};
TextSelectionFormat GetSelectionFormat(const COurEdit* box);
// The selection's face when all of it has one, else empty.
QString GetSelectionFaceName(const COurEdit* box);

// Alignment of the paragraph at the caret: 1 left, 2 right, 3 centre.
void SetParagraphAlignment(COurEdit* box, int32_t alignment);
inline void CenterParagraph(COurEdit* box) { SetParagraphAlignment(box, 3); }
inline void LeftAlignParagraph(COurEdit* box) { SetParagraphAlignment(box, 1); }

// The height the box's content needs (recorded as its requested height).
int32_t RequestHeight(COurEdit* box);
// Applies the format change to the selection; when the box's height
// changes the pane lays its lines out again.
template <typename Change>
void SetSelectionFormatWithRelayout(COurEdit* box, Change change);
void RelayoutAfterHeightChange(COurEdit* box, int32_t before);

// The markup of a document's text; face and pixels are the running format
// it starts from (the document's). Faces are written at most 31 bytes long,
// without the characters that end a mark; sizes within what a document keeps.
std::string TextDocumentMarkup(const QTextDocument* text, const char* face, int32_t pixels);
// Appends the box's markup to the top text buffer.
void WriteTextBoxMarkup(COurEdit* box, DocState* doc);

// The clipboard's text as a new NUL-terminated UTF-8 string (budget
// memory), or null when there is none.
char* GetClipboardText();
// Tab, line feed and carriage return split pasted table cells.
inline bool IsCellSeparator(char16_t ch) { return ch == '\t' || ch == '\n' || ch == '\r'; }

// The Text menu on the current box.
void ToggleTextEffect(int32_t effect);
void SetPlainText();
void SetTextMenuSize(int32_t pixels);
// Smaller (-1) stops at 6 pixels; Larger (+1) at the largest size a
// document keeps.
void StepTextSize(int32_t delta);
void SetTextMenuFace(const QString& face);
// The scalable faces the Font menu offers, with "System", sorted without
// regard to case.
QStringList TextMenuFaces();

// The document's file hooks and box hooks (start-up, once).
void RegisterTextBlockHooks();

template <typename Change>
void SetSelectionFormatWithRelayout(COurEdit* box, Change change)
{
    if (!box)
        return;
    int32_t before = RequestHeight(box);
    change(box);
    RelayoutAfterHeightChange(box, before);
}
