// The document as a small web site in one folder: "index.html" (XHTML 1.0
// Transitional, UTF-8), a PNG for every equation and formula header, the
// document as "graph.vlf", the graph pane as "graph.png" linked to it, and
// ".htaccess" with the document's MIME type. Every file goes through a
// writer, so the page does not depend on where files go.
#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>

#include <cstdint>
#include <functional>

class CGraphView;
class QTextDocument;
struct DocState;
struct EditorState;

// Writes one file of the page; false when it cannot be written.
using WebPageWriter = std::function<bool(const QString& name, const QByteArray& bytes)>;

// Save As Web Page: the chosen name becomes a new folder that receives the
// page; an existing folder of that name is reported and left alone.
void SaveAsWebPage();
// Writes the page into the folder; true when the last file was written.
bool WriteWebPage(DocState* doc, CGraphView* graphView, const QString& title, const QString& folder);
// The folder's writer: each file written whole or not at all.
bool WebPageFileWriter(const QString& folder, const QString& name, const QByteArray& bytes);
bool WriteWebPageHtml(DocState* doc, CGraphView* graphView, const QString& title, const WebPageWriter& writer);

// One picture file and its img element; false without a picture or when
// the file cannot be written.
bool WriteHtmlImage(QByteArray& out, const QImage& picture, const QString& name, const QByteArray& altText,
                    const QByteArray& formulaText, const QByteArray& title, bool whiteTransparent,
                    const WebPageWriter& writer);
void WriteHtmlTextBlock(QByteArray& out, const QTextDocument& box);
// CR becomes a line break; &, < and > their entities; other bytes stay.
QByteArray HtmlEscape(const QByteArray& text);
void WriteHtmlText(QByteArray& out, const QByteArray& bytes);
void WriteHtmlWideText(QByteArray& out, const char16_t* text, int64_t length);
int32_t HtmlFontSize(int32_t points);
// The length of the UTF-8 sequence a lead byte starts; false (length 1) for
// a byte that cannot start one.
bool Utf8SequenceLength(uint8_t lead, int32_t* length);
