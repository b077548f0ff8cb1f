// Printing: the equation pane cut into pages (no line pushed off the top of
// a page, tall lines on a page of their own, long text continued on the
// next page), then the whole document printed as one job to a PDF file.
#include "app/CMainFrame.h"
#include "app/COndrelApp.h"
#include "app/CVLSplitterWnd.h"
#include "app/PrintJob.h"
#include "document/DocLine.h"
#include "document/DocState.h"
#include "formula/EditorState.h"
#include "editor/COndrelView.h"
#include "editor/EditorStateLife.h"
#include "editor/EquationPanePrinting.h"
#include "platform/MessageBox.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QPageLayout>
#include <QPainter>
#include <QPrinter>
#include <QRegularExpression>
#include <QSettings>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

PrintLineExtent Formula(int32_t top, int32_t height)
{
    PrintLineExtent line;
    line.kind = DocLineEquation;
    line.top = top;
    line.bottom = top + height;
    return line;
}

PrintLineExtent TextBlock(int32_t top)
{
    PrintLineExtent line;
    line.kind = DocLineText;
    line.top = top;
    return line;
}

// Text whose lines are all lineHeight pixels and start every 10 characters.
struct FakeText {
    int32_t length;
    int32_t lineHeight;
};

TextPieceFit MeasureFake(void* context, int32_t, int32_t first, int32_t height)
{
    const FakeText& text = *static_cast<const FakeText*>(context);
    TextPieceFit fit;
    fit.textLength = text.length;
    fit.textTop = first / 10 * text.lineHeight;
    const int32_t lines = std::max(0, height / text.lineHeight);
    fit.endCharacter = std::min(text.length, first + lines * 10);
    fit.height = (fit.endCharacter - first + 9) / 10 * text.lineHeight;
    return fit;
}

struct Placed {
    int32_t line, page, pageTop;
    bool operator==(const Placed&) const = default;
};

std::vector<Placed> Places(const std::vector<COndrelView_PrintChunk>& chunks)
{
    std::vector<Placed> out;
    for (const COndrelView_PrintChunk& c : chunks)
        out.push_back({c.lineIndex, c.page, c.pageTop});
    return out;
}

TEST(PrintPagination, FormulasAndTablesGoWholeOnThePageTheyFit)
{
    struct Case {
        const char* why;
        std::vector<PrintLineExtent> lines;
        std::vector<Placed> placed;
    };
    const Case cases[] = {
        {"all on one page", {Formula(14, 40), Formula(64, 40), Formula(114, 40)}, {{0, 1, 0}, {1, 1, 0}, {2, 1, 0}}},
        {"a line reaching past the bottom starts a page 10 pixels above it",
         {Formula(14, 40), Formula(64, 40), Formula(114, 100)},
         {{0, 1, 0}, {1, 1, 0}, {2, 2, 104}}},
        {"a line ending exactly at the bottom stays", {Formula(14, 40), Formula(64, 136)}, {{0, 1, 0}, {1, 1, 0}}},
        {"the first line of the document stays however tall", {Formula(14, 500), Formula(524, 40)},
         {{0, 1, 0}, {1, 2, 514}}},
        {"a tall line that starts a page stays on it; the next one moves on",
         {Formula(14, 40), Formula(64, 450), Formula(524, 40)},
         {{0, 1, 0}, {1, 2, 54}, {2, 3, 514}}},
        {"tables move as formulas do",
         {Formula(14, 150), [] { PrintLineExtent t = Formula(174, 60); t.kind = DocLineTable; return t; }()},
         {{0, 1, 0}, {1, 2, 164}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        std::vector<COndrelView_PrintChunk> chunks;
        ASSERT_TRUE(PaginatePrintLines(c.lines, 200, nullptr, nullptr, chunks));
        EXPECT_EQ(Places(chunks), c.placed);
    }
}

TEST(PrintPagination, LongTextGoesOnFromTheFirstCharacterThatDidNotFit)
{
    // 100 characters in 10 lines of 30 pixels below a formula; pages of 200.
    FakeText text{100, 30};
    for (int32_t after : {40, 5}) {
        SCOPED_TRACE(after);
        std::vector<PrintLineExtent> lines = {Formula(14, 40), TextBlock(64), Formula(374, after)};
        std::vector<COndrelView_PrintChunk> chunks;
        ASSERT_TRUE(PaginatePrintLines(lines, 200, &MeasureFake, &text, chunks));
        ASSERT_EQ(chunks.size(), 4u);
        // 136 pixels left on the first page: 4 lines.
        EXPECT_EQ(chunks[1].firstCharacter, 0);
        EXPECT_EQ(chunks[1].endCharacter, 40);
        EXPECT_EQ(chunks[1].lineTop, 64);
        // The rest starts at the top of the next page, whose band begins
        // where the first piece ended in the layout.
        EXPECT_EQ(chunks[2].page, 2);
        EXPECT_EQ(chunks[2].firstCharacter, 40);
        EXPECT_EQ(chunks[2].endCharacter, 100);
        EXPECT_EQ(chunks[2].pageTop, 64 + 120);
        EXPECT_EQ(chunks[2].lineTop, chunks[2].pageTop);
        EXPECT_EQ(chunks[2].textTop, 120);
        // The formula under the text stays on its page when it fits there,
        // and is not taken for the page's first line when it does not.
        const std::vector<Placed> formula =
            after == 5 ? std::vector<Placed>{{2, 2, 184}} : std::vector<Placed>{{2, 3, 364}};
        EXPECT_EQ(Places({chunks[3]}), formula);
    }
}

TEST(PrintPagination, TextThatCannotPlaceALine)
{
    FakeText tall{50, 300};  // every line taller than a page
    std::vector<COndrelView_PrintChunk> chunks;
    // Below another line it moves to a page of its own, where still nothing
    // fits: the pane prints nothing.
    EXPECT_FALSE(PaginatePrintLines({Formula(14, 40), TextBlock(64)}, 200, &MeasureFake, &tall, chunks));
    EXPECT_TRUE(chunks.empty());

    // Near a page's bottom a block that would fit on a fresh page moves there.
    FakeText shortText{20, 30};
    ASSERT_TRUE(PaginatePrintLines({Formula(14, 160), TextBlock(184)}, 200, &MeasureFake, &shortText, chunks));
    EXPECT_EQ(Places(chunks), (std::vector<Placed>{{0, 1, 0}, {1, 2, 184}}));
    EXPECT_EQ(chunks[1].endCharacter, 20);

    // An empty block takes its place like any line.
    FakeText empty{0, 30};
    ASSERT_TRUE(PaginatePrintLines({TextBlock(14)}, 200, &MeasureFake, &empty, chunks));
    EXPECT_EQ(Places(chunks), (std::vector<Placed>{{0, 1, 0}}));
}

TEST(PrintPagination, BandsAndPageSizes)
{
    std::vector<COndrelView_PrintChunk> chunks;
    ASSERT_TRUE(PaginatePrintLines({Formula(14, 40), Formula(64, 450), Formula(524, 40)}, 200, nullptr, nullptr,
                                   chunks));
    struct Band {
        int32_t page, top, bottom;
    } const bands[] = {{1, 0, 54}, {2, 54, 254}, {3, 514, 714}};
    for (const Band& b : bands) {
        int32_t top = -1, bottom = -1;
        GetPrintPageBand(chunks, b.page, 200, top, bottom);
        EXPECT_EQ(top, b.top) << b.page;
        EXPECT_EQ(bottom, b.bottom) << b.page;
    }
    // A printable area of 8 x 10.5 inches at 600 dpi is 768 x 1008 screen
    // pixels at 96 dpi.
    int32_t w = 0, h = 0;
    PrintPageInScreenPixels(4800, 6300, 600, 600, 96, 96, w, h);
    EXPECT_EQ(w, 768);
    EXPECT_EQ(h, 1008);
}

// The program with a document, printed as File > Print prints it.
class PrintJobTest : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        dir = new QTemporaryDir;
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, dir->path());
        qputenv("XDG_RUNTIME_DIR", dir->path().toUtf8());
        SetMessageBoxHook([](const std::u16string& text, const std::u16string&, MessageBoxIcon, MessageBoxButtons) {
            messages.push_back(text);
            return true;
        });
        std::string document = "Vellumor 4;\rDrawGraph 1;\r";
        for (int i = 0; i < 60; ++i)
            document += "Expr y=x^" + std::to_string(i % 7 + 2) + "/" + std::to_string(i + 1) + ";\r";
        std::string words;
        for (int i = 0; i < 400; ++i)
            words += "word" + std::to_string(i) + (i % 40 == 39 ? "\r" : " ");
        document += "Text \"" + words + "\";\rExpr y=sin(x);\r";
        path = QDir(dir->path()).filePath(QStringLiteral("many.vlf")).toStdString();
        QFile file(QString::fromStdString(path));
        file.open(QIODevice::WriteOnly);
        file.write(document.data(), static_cast<qint64>(document.size()));
        file.close();
        static int argc = 2;
        static char name[] = "vellumor";
        static std::string arg = path;
        static char* argv[] = {name, arg.data(), nullptr};
        app = new COndrelApp(argc, argv);
        ASSERT_TRUE(app->InitInstance());
        app->MainFrame()->resize(700, 600);
        app->MainFrame()->show();
    }
    static void TearDownTestSuite()
    {
        app->ExitInstance(0);
        delete app;
        SetMessageBoxHook(nullptr);
        delete dir;
    }
    void TearDown() override
    {
        SetPrintDialogHook(nullptr);
        SetPageFeedHook(nullptr);
        messages.clear();
    }

    static QString Pdf() { return QDir(dir->path()).filePath(QStringLiteral("out.pdf")); }
    static void ToPdf(QPrinter& printer)
    {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(Pdf());
        printer.setPageSize(QPageSize(QPageSize::A4));
    }
    static int PdfPages()
    {
        QFile file(Pdf());
        if (!file.open(QIODevice::ReadOnly))
            return -1;
        const QString text = QString::fromLatin1(file.readAll());
        return static_cast<int>(text.count(QRegularExpression(QStringLiteral("/Type\\s*/Page[^s]"))));
    }
    // The equation pane's pieces for the printer as the job cuts them, each
    // with the bottom of its line on paper.
    struct Piece {
        COndrelView_PrintChunk chunk;
        int32_t bottom;
    };
    static std::vector<Piece> Cut(QPrinter& printer, CPrintInfo& info, int32_t& pageHeight)
    {
        COndrelView* view = app->MainFrame()->EquationView();
        DocState* doc = GetDocState();
        doc->printing = true;
        view->OnBeginPrinting(printer, info);
        std::vector<Piece> pieces;
        for (const COndrelView_PrintChunk& c : view->PrintChunks()) {
            const DocLine& line = doc->Lines[c.lineIndex];
            const int32_t bottom = line.kind == DocLineEquation ? line.formula->originV + GetFormulaBoxHeight(line.formula)
                                                                : c.rect.bottom;
            pieces.push_back({c, bottom});
        }
        pageHeight = view->PrintState()->pageHeight;
        view->OnEndPrinting(info);
        doc->printing = false;
        return pieces;
    }

    static inline QTemporaryDir* dir = nullptr;
    static inline COndrelApp* app = nullptr;
    static inline std::string path;
    static inline std::vector<std::u16string> messages;
};

TEST_F(PrintJobTest, TheEquationPagesThenTheGraphPrintInOneJob)
{
    DocState* doc = GetDocState();
    const ShortRect paneBefore = doc->equationPaneRect;
    QPrinter sample(QPrinter::HighResolution);
    ToPdf(sample);
    CPrintInfo info;
    int32_t pageHeight = 0;
    std::vector<Piece> pieces = Cut(sample, info, pageHeight);
    ASSERT_GE(info.maxPage, 3);
    // No formula reaches past its page's bottom unless it leads the page,
    // and the text block is split over at least two pages.
    int32_t textPieces = 0;
    for (size_t i = 0; i < pieces.size(); ++i) {
        const COndrelView_PrintChunk& c = pieces[i].chunk;
        const bool leads = i == 0 || pieces[i - 1].chunk.page != c.page;
        if (c.textBox)
            ++textPieces;
        else if (!leads)
            EXPECT_LE(pieces[i].bottom, c.pageTop + pageHeight) << c.lineIndex;
        if (i > 0)
            EXPECT_GE(c.page, pieces[i - 1].chunk.page);
    }
    EXPECT_GE(textPieces, 2);
    EXPECT_EQ(pieces.back().chunk.lineIndex, doc->Lines.count - 1);

    SetPrintDialogHook([](QPrinter& printer) {
        ToPdf(printer);
        return true;
    });
    ASSERT_TRUE(app->MainFrame()->RunCommand(57607));
    EXPECT_TRUE(messages.empty());
    EXPECT_FALSE(doc->printing);
    // The graph pane shows the graphs: one page more.
    ASSERT_TRUE(doc->IsGraphPaneShown());
    EXPECT_EQ(PdfPages(), info.maxPage + 1);
    // The screen's layout is back.
    EXPECT_EQ(doc->equationPaneRect.right, paneBefore.right);
    EXPECT_EQ(doc->equationPaneRect.bottom, paneBefore.bottom);
}

TEST_F(PrintJobTest, CancellingStartsNoJobAndAFailedPageAbortsTheRest)
{
    QFile::remove(Pdf());
    SetPrintDialogHook([](QPrinter& printer) {
        ToPdf(printer);
        return false;
    });
    app->MainFrame()->RunCommand(57607);
    EXPECT_FALSE(GetDocState()->printing);
    EXPECT_FALSE(QFile::exists(Pdf()));

    // The second page cannot be started: nothing more is printed, the graph
    // page neither, and the user is told.
    static int feeds = 0;
    feeds = 0;
    SetPrintDialogHook([](QPrinter& printer) {
        ToPdf(printer);
        return true;
    });
    SetPageFeedHook([](QPrinter&) {
        ++feeds;
        return false;
    });
    app->MainFrame()->RunCommand(57607);
    EXPECT_EQ(feeds, 1);
    EXPECT_FALSE(GetDocState()->printing);
    EXPECT_EQ(messages.size(), 1u);
}

TEST_F(PrintJobTest, ACollapsedGraphPanePrintsOnlyTheEquations)
{
    QPrinter sample(QPrinter::HighResolution);
    ToPdf(sample);
    CPrintInfo info;
    int32_t pageHeight = 0;
    Cut(sample, info, pageHeight);
    CVLSplitterWnd* splitter = app->MainFrame()->Splitter();
    const QList<int> sizes = splitter->sizes();
    splitter->setSizes({sizes[0] + sizes[1], 0});
    ASSERT_FALSE(GetDocState()->IsGraphPaneShown());
    QPrinter printer(QPrinter::HighResolution);
    ToPdf(printer);
    EXPECT_TRUE(PrintDocument(printer, app->MainFrame()->EquationView(), app->MainFrame()->GraphView()));
    EXPECT_EQ(PdfPages(), info.maxPage);
    splitter->setSizes(sizes);
}

TEST_F(PrintJobTest, TheJobIsNamedAfterTheDocument)
{
    EXPECT_EQ(PrintJobName(), QStringLiteral("many.vlf"));
}

}  // namespace
