// The benchmark: its report's number formats, its table, and a run through
// every step, which times the first ten tests only and spins the others.
#include "app/Benchmark.h"
#include "app/CMainFrame.h"
#include "app/COndrelApp.h"
#include "app/DemoPlayer.h"
#include "document/DocState.h"
#include "editor/COurEdit.h"
#include "platform/MessageBox.h"

#include <QSettings>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

namespace {

std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line, '\r'))
        lines.push_back(line);
    return lines;
}

TEST(BenchmarkReport, NumbersAreWrittenInFixedColumns)
{
    struct Case {
        std::string written, expected;
    } const cases[] = {
        {FormatBenchmarkSeconds(3.05), "   3.05 seconds "},
        {FormatBenchmarkSeconds(0), "   0.00 seconds "},
        {FormatBenchmarkSeconds(0.999), "   1.00 seconds "},
        {FormatBenchmarkSeconds(12.346), "  12.35 seconds "},
        {FormatBenchmarkSeconds(1234.5), "1234.50 seconds "},
        {FormatBenchmarkRates(61, 1e6, 2, false), "  30.5 frames/s "},
        {FormatBenchmarkRates(61, 1e6, 2, true), "  30.5 frames/s   500000 triangles/s "},
        {FormatBenchmarkRates(7, 1001, 2, true), "   3.5 frames/s      500 triangles/s "},
        {FormatBenchmarkRating(300), "\r\rRating: 90.55 VLMarks\r\r"},
        {FormatBenchmarkRating(27164.2 / 12345.678), "\r\rRating: 1.235e+04 VLMarks\r\r"},
        {FormatBenchmarkTestName(BenchmarkTests[0]), "\rFunction                         100 steps"},
        {FormatBenchmarkTestName(BenchmarkTests[8]), "\rCoordinate transform              50 steps"},
        {FormatBenchmarkHeader(640, 480),
         "Please e-mail these results to benchmark@kestrane.com\r\rVellumor 4.0 benchmark test \r"
         "Graph pane is 640 x 480 pixels.\rTimer resolution: 0.001 seconds.\r"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.written, c.expected);
}

TEST(BenchmarkReport, TheTableHoldsNineteenTests)
{
    int spheres = 0, threeD = 0, transparent = 0;
    for (int i = 0; i < kBenchmarkTestCount; ++i) {
        const BenchmarkTest& t = BenchmarkTests[i];
        EXPECT_TRUE(t.steps == 50 || t.steps == 100) << i;
        EXPECT_LT(t.sliderMin, t.sliderMax) << i;
        threeD += t.kind != 0;
        spheres += t.kind == 2;
        transparent += t.transparent;
        // Only spun tests report triangles.
        if (i < kFirstSpunBenchmarkTest + 1)
            EXPECT_EQ(t.kind, 0) << i;
    }
    EXPECT_EQ(threeD, 8);
    EXPECT_EQ(spheres, 1);
    EXPECT_EQ(transparent, 2);
    EXPECT_STREQ(BenchmarkTests[11].formula, BenchmarkTests[16].formula);
}

// Every step of a run, one after another without waiting for the graphs:
// the report's lines and what is left when it ends.
TEST(BenchmarkRun, TimesTheFirstTenTestsAndSpinsTheRest)
{
    QTemporaryDir dir;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, dir.path());
    qputenv("XDG_RUNTIME_DIR", dir.path().toUtf8());
    SetMessageBoxHook([](const std::u16string&, const std::u16string&, MessageBoxIcon, MessageBoxButtons) {
        return true;
    });
    int argc = 1;
    char name[] = "vellumor";
    char* argv[] = {name, nullptr};
    COndrelApp app(argc, argv);
    ASSERT_TRUE(app.InitInstance());
    CMainFrame* frame = app.MainFrame();
    frame->resize(700, 600);

    RunBenchmark(nullptr);
    EXPECT_EQ(GetBenchmarkPhase(), -1);
    std::vector<BenchmarkWait> waits;
    for (int step = 0; step < 40; ++step) {
        BenchmarkNext next = RunBenchmark(frame);
        waits.push_back(next.wait);
        if (next.wait == BenchmarkWait::Finished)
            break;
        if (waits.size() == 1) {
            // The first test's formula stands alone in the document.
            ASSERT_GE(GetDocState()->Lines.count, 1);
            EXPECT_EQ(GetDocState()->SliderSteps, 100);
        }
    }
    // 19 timed steps, 9 spins and the end.
    ASSERT_EQ(waits.size(), 29u);
    EXPECT_EQ(std::count(waits.begin(), waits.end(), BenchmarkWait::Time), 9);
    EXPECT_EQ(GetBenchmarkPhase(), -1);

    const std::vector<std::string> lines = Lines(GetBenchmarkReport());
    std::vector<std::string> tests;
    for (const std::string& line : lines)
        if (line.find(" steps") != std::string::npos)
            tests.push_back(line);
    ASSERT_EQ(tests.size(), 19u);
    for (size_t i = 0; i < tests.size(); ++i) {
        SCOPED_TRACE(tests[i]);
        EXPECT_EQ(tests[i].rfind(BenchmarkTests[i].name, 0), 0u);
        EXPECT_NE(tests[i].find(" seconds "), std::string::npos);
        EXPECT_EQ(tests[i].find("frames/s") != std::string::npos, i >= 10);
        EXPECT_EQ(tests[i].find("triangles/s") != std::string::npos, i >= 11);
    }
    EXPECT_EQ(lines[0].rfind("Please e-mail", 0), 0u);
    bool rated = false;
    for (const std::string& line : lines)
        rated = rated || (line.rfind("Rating: ", 0) == 0 && line.find(" VLMarks") != std::string::npos);
    EXPECT_TRUE(rated);

    // The document is left with the report in one text block; the player stopped.
    DocState* doc = GetDocState();
    ASSERT_EQ(doc->Lines.count, 1);
    ASSERT_EQ(doc->Lines[0].kind, DocLineText);
    const QString shown = doc->Lines[0].textBox->toPlainText();
    EXPECT_TRUE(shown.contains(QStringLiteral("Concentric spheres")));
    EXPECT_TRUE(shown.contains(QStringLiteral("VLMarks")));
    EXPECT_EQ(doc->PaneDivider, 32000);
    EXPECT_FALSE(IsDemoRunning());

    app.ExitInstance(0);
    // Nothing holding the pane's GPU programs outlives the application.
    EXPECT_EQ(GetDocState()->Graphs, nullptr);
    SetMessageBoxHook(nullptr);
}

}  // namespace
