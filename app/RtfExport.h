// The document as RTF: each line one paragraph (an equation as a PNG
// picture, a text block as styled runs, a table as tab-separated text),
// then the graph pane as a centred picture. Also the pictures that the web
// page shares.
#pragma once

#include "CoreUtilities/PictureHandle.h"

#include <QByteArray>
#include <QImage>
#include <QString>

#include <cstdint>
#include <map>
#include <string>

class CGraphView;
class QTextDocument;
struct DocState;
struct EditorState;

// Faces in byte order, each with its index (faces met before it) and
// character set.
struct RtfFont {
    int32_t index;
    uint8_t charset;
};
using RtfFontMap = std::map<std::string, RtfFont>;

// Writes the file whole or not at all; false when it cannot be written.
bool WriteDocumentRtf(DocState* doc, CGraphView* graphView, const QString& path);
// The whole document's RTF text.
QByteArray DocumentRtfText(DocState* doc, CGraphView* graphView);

// The pictures of an equation line with its swatch, of a formula, and of
// the graph pane's views (0, 1 or both: 2).
QImage WriteLineImage(DocState* doc, int32_t line);
QImage WebPageEquationImage(DocState* doc, int32_t line);
QImage WebPageLineImage(EditorState* state);
QImage WebPageGraphImage(CGraphView* graphView, int which);
// The PNG of an image, white made transparent when asked; empty when it
// cannot be made.
QByteArray PngOfImage(const QImage& image, bool whiteTransparent);

void WriteRtfChar(QByteArray& out, uint16_t c);
void WriteRtfWideText(QByteArray& out, const char16_t* text, int64_t length);
void WriteRtfHexByte(QByteArray& out, uint8_t b);
void WriteRtfInt(QByteArray& out, int64_t n);
void WriteRtfPicture(QByteArray& out, const QImage& picture);
void WriteRtfTable(QByteArray& out, DocState* doc, int32_t line);
void WriteRtfTextRuns(QByteArray& out, const QTextDocument& box, const RtfFontMap& fonts);
void CollectRtfFonts(const QTextDocument& box, RtfFontMap& fonts);
void AddRtfFont(const std::string& face, RtfFontMap& fonts, uint8_t charset);
