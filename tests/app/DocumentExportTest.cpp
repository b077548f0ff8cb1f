#include "app/COndrelDoc.h"
#include "app/RtfExport.h"
#include "app/WebPageExport.h"
#include "document/DocState.h"
#include "formula/FormulaEngine.h"
#include "platform/MessageBox.h"
#include "support/TestApp.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <QTextCursor>
#include <QTextDocument>

#include <string>
#include <utility>
#include <vector>

namespace {

class DocumentExportTest : public testing::Test {
protected:
    void SetUp() override
    {
        TestApp();
        static const bool engine = InitFormulaEngine();
        ASSERT_TRUE(engine);
        SetMessageBoxHook([](const std::u16string&, const std::u16string&, MessageBoxIcon, MessageBoxButtons) {
            return true;
        });
        ASSERT_TRUE(folder.isValid());
    }
    void TearDown() override { SetMessageBoxHook(nullptr); }

    void Open(const QByteArray& text)
    {
        const QString path = QDir(folder.path()).filePath(QStringLiteral("doc.vlf"));
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(text);
        file.close();
        ASSERT_TRUE(doc.OnOpenDocument(path));
    }

    QTemporaryDir folder;
    COndrelDoc doc;
};

TEST(RtfTextTest, CharactersAreEscaped)
{
    const std::pair<char16_t, const char*> cases[] = {
        {u'a', "a"},      {u'\t', "\\tab "}, {u'\r', "\\par\r\n"}, {u'\\', "\\\\"},
        {u'{', "\\{"},    {u'}', "\\}"},     {u'\u00e9', "\\'e9"},   {u'\u00ff', "\\'ff"},
        // Beyond 8 bits the character itself, never its low byte.
        {u'\u4e2d', "\\u20013?"}, {u'\u2212', "\\u8722?"}, {u'\uffe9', "\\u-23?"},
    };
    for (const auto& [c, expected] : cases) {
        QByteArray out;
        WriteRtfChar(out, c);
        EXPECT_EQ(out, QByteArray(expected)) << static_cast<int>(c);
    }
}

// Faces are listed once, by first appearance; runs write a change of face,
// size or style before the character that has it.
TEST(RtfTextTest, TextBlocksBecomeStyledRuns)
{
    TestApp();
    QTextDocument first, second;
    QTextCursor a(&first);
    QTextCharFormat plain;
    plain.setFontFamilies({QStringLiteral("Serif")});
    plain.setProperty(QTextFormat::FontPixelSize, 16);
    QTextCharFormat bold = plain;
    bold.setFontWeight(QFont::Bold);
    a.insertText(QStringLiteral("x{"), plain);
    a.insertText(QStringLiteral("y"), bold);
    QTextCursor b(&second);
    QTextCharFormat mono = plain;
    mono.setFontFamilies({QStringLiteral("Mono")});
    b.insertText(QStringLiteral("p"), mono);
    b.insertText(QStringLiteral("q"), plain);

    RtfFontMap fonts;
    CollectRtfFonts(first, fonts);
    CollectRtfFonts(second, fonts);
    ASSERT_EQ(fonts.size(), 2u);
    EXPECT_EQ(fonts["Serif"].index, 0);
    EXPECT_EQ(fonts["Mono"].index, 1);

    QByteArray out;
    WriteRtfTextRuns(out, first, fonts);
    EXPECT_EQ(out, QByteArray("\\f0 \\fs24 x\\{\\b y"));
    out.clear();
    WriteRtfTextRuns(out, second, fonts);
    EXPECT_EQ(out, QByteArray("\\f1 \\fs24 p\\f0 q"));
}

TEST_F(DocumentExportTest, EquationsBecomePictureParagraphs)
{
    Open("Vellumor 4;\rExpr x^2;\rExpr y=sin(x);\r");
    const QByteArray rtf = DocumentRtfText(GetDocState(), nullptr);
    EXPECT_TRUE(rtf.startsWith("{\\rtf1\\ansi{\\fonttbl}{\\colortbl \\red0\\green0\\blue0;}{\\pard\\plain\\sb40\\sa120 "));
    EXPECT_TRUE(rtf.endsWith("\\par}\r\n}"));
    EXPECT_EQ(rtf.count("{\\pict\\pngblip\\picw"), 2);
    // The picture data is lowercase hexadecimal throughout.
    const qsizetype data = rtf.indexOf(' ', rtf.indexOf("\\pich")) + 1;
    const qsizetype end = rtf.indexOf('}', data);
    ASSERT_GT(end, data);
    for (char c : rtf.mid(data, end - data))
        ASSERT_TRUE((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f')) << c;
    EXPECT_TRUE(rtf.mid(data, 16) == "89504e470d0a1a0a");

    const QString path = QDir(folder.path()).filePath(QStringLiteral("doc.rtf"));
    ASSERT_TRUE(doc.SaveToPath(path, 2));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), rtf);
}

// The page's files in order, its images linked by name, the title escaped;
// a picture that cannot be written ends the export with nothing after it.
TEST_F(DocumentExportTest, TheWebPageWritesItsFilesInOrder)
{
    Open("Vellumor 4;\rExpr x^2;\rExpr y=sin(x);\r");
    std::vector<std::pair<QString, QByteArray>> files;
    auto collect = [&](const QString& name, const QByteArray& bytes) {
        files.emplace_back(name, bytes);
        return true;
    };
    ASSERT_TRUE(WriteWebPageHtml(GetDocState(), nullptr, QStringLiteral("a<b - Vellumor"), collect));
    std::vector<QString> names;
    for (const auto& f : files)
        names.push_back(f.first);
    EXPECT_EQ(names, (std::vector<QString>{"formula1.png", "formula2.png", "graph.vlf", "index.html", ".htaccess"}));
    const QByteArray& page = files[3].second;
    EXPECT_TRUE(page.contains("<title>a&lt;b - Vellumor</title>"));
    EXPECT_TRUE(page.contains("<img src=\"formula2.png\""));
    EXPECT_TRUE(page.contains("alt=\"y=sin(x)\""));
    EXPECT_FALSE(page.contains("<hr />"));
    EXPECT_TRUE(page.endsWith("</body>\r\n</html>"));
    EXPECT_EQ(files[4].second, QByteArray("AddType application/x-vellumor vlf\n"));
    EXPECT_TRUE(files[2].second.startsWith("Vellumor"));
    QImage picture;
    ASSERT_TRUE(picture.loadFromData(files[0].second, "PNG"));
    // White is transparent in formula pictures.
    EXPECT_TRUE(picture.hasAlphaChannel());

    files.clear();
    auto failSecond = [&](const QString& name, const QByteArray& bytes) {
        files.emplace_back(name, bytes);
        return name != QStringLiteral("formula2.png");
    };
    EXPECT_FALSE(WriteWebPageHtml(GetDocState(), nullptr, QString(), failSecond));
    EXPECT_EQ(files.size(), 2u);
}

// Tables: header texts or header formula pictures, then the rows.
TEST_F(DocumentExportTest, TablesBecomeTabbedTextAndHtmlTables)
{
    Open("Vellumor 4;\rExpr x^2;\rExpr y;\rTable\r\tx\t1\t2\r\t=y_i=x_i^2\t\t\rEndOfTable;\r");
    const QByteArray rtf = DocumentRtfText(GetDocState(), nullptr);
    EXPECT_TRUE(rtf.contains("{\\pard\\plain\\sb40\\sa120 x\\tab {\\pict\\pngblip"));
    EXPECT_TRUE(rtf.contains("1\t"));
    std::vector<QString> names;
    QByteArray page;
    ASSERT_TRUE(WriteWebPageHtml(GetDocState(), nullptr, QString(), [&](const QString& name, const QByteArray& bytes) {
        names.push_back(name);
        if (name == QStringLiteral("index.html"))
            page = bytes;
        return true;
    }));
    EXPECT_EQ(names[2], QStringLiteral("table3formula1.png"));
    EXPECT_TRUE(page.contains("<tr><th>x</th><th><img src=\"table3formula1.png\""));
    EXPECT_TRUE(page.contains("<tr><td>1</td><td>"));
}

TEST(WebPageTextTest, EscapesSizesAndSequenceLengths)
{
    EXPECT_EQ(HtmlEscape("a&b<c>d\re\""), QByteArray("a&amp;b&lt;c&gt;d<br />e\""));
    const std::pair<int32_t, int32_t> sizes[] = {{10, 1}, {11, 2}, {12, 2}, {13, 3}, {16, 4},
                                                 {21, 4}, {22, 5}, {30, 6}, {39, 6}, {40, 7}};
    for (const auto& [points, size] : sizes)
        EXPECT_EQ(HtmlFontSize(points), size) << points;
    const struct {
        uint8_t lead;
        int32_t length;
        bool ok;
    } leads[] = {{0x00, 1, true},  {0x7F, 1, true},  {0x80, 1, false}, {0xC1, 1, false}, {0xC2, 2, true},
                 {0xDF, 2, true},  {0xE0, 3, true},  {0xEF, 3, true},  {0xF0, 4, true},  {0xF4, 4, true},
                 {0xF5, 1, false}, {0xFF, 1, false}};
    for (const auto& l : leads) {
        int32_t length = 0;
        EXPECT_EQ(Utf8SequenceLength(l.lead, &length), l.ok) << int(l.lead);
        EXPECT_EQ(length, l.length) << int(l.lead);
    }
}

}  // namespace
