#include "app/Benchmark.h"

#include "app/CGraphView.h"
#include "app/CMainFrame.h"
#include "app/DemoPlayer.h"
#include "app/GraphPaneServices.h"
#include "CoreUtilities/Clock.h"
#include "document/DocState.h"
#include "document/DocumentHooks.h"
#include "document/DocumentReader.h"
#include "editor/COndrelView.h"
#include "editor/EditorStateLife.h"
#include "editor/EquationViewServices.h"
#include "editor/TextBlocks.h"
#include "formula/CopyTree.h"
#include "formula/EditorState.h"
#include "formula/TreeRewrite.h"
#include "graphs2d/GraphSet.h"
#include "rendering/ViewRenderContext.h"

#include <cmath>
#include <cstdio>
#include <iomanip>
#include <sstream>

namespace {

#define VL_SURFACE                                                                                             \
    "(sin(x*y)+1/2*cos(2*x)+1/3*sin(3*y)+1/4*cos(4*(x+y)))/(1+abs(sin(5*y)+1/2*cos(6*x)+1/3*sin(7*y)+1/4*cos(8*x)))" \
    "/(1+abs((sin(10*x*y)+1/2*cos(10*x)+1/3*sin(12*y)+1/4*cos(13*(x+y)))/"                                        \
    "(1+abs(sin(14*y)+1/2*cos(15*x)+1/3*sin(16*y)+1/4*cos(17*x)))))*n"

constexpr int32_t kZoomDefaultView = 6;
constexpr int32_t kViewStopSpinning = 1;
constexpr int32_t kViewSpinAboutMinusZ = 4;
constexpr int32_t kContourXYType = 3;
constexpr int32_t kDensityXYType = 2;
constexpr int32_t kSpinTicks = 120;
constexpr int32_t kDefaultPaneDivider = 32000;
constexpr int32_t kReportTextSize = 9;

struct BenchmarkState {
    int32_t previousPhase = -1;
    int32_t current = 0;
    int32_t next = 0;
    int32_t subStep = 0;
    double totalSeconds = 0;
    uint32_t startTime = 0;
    std::string report;
};

BenchmarkState State;
// The last finished run's report.
std::string FinishedReport;

double Seconds(uint32_t milliseconds)
{
    return milliseconds / static_cast<double>(TicksToMilliseconds(60));
}

void ResetState()
{
    State = BenchmarkState{};
}

// The document holds only the test's formula, in a fresh first equation.
void PutFormula(DocState* doc, const BenchmarkTest& test)
{
    FormulaNode* tree = ParseFormulaString(test.formula);
    ClearDemoDocument();
    if (!tree)
        return;
    if (doc->Lines.count == 0 || !doc->Lines[0].formula) {
        FreeTree(tree);
        return;
    }
    DocLine& line = doc->Lines[0];
    ReplaceNode(tree, GetEditorRoot(line.formula));
    line.formula->layoutValid = 0;
    // The caret after the formula, as if it had been typed.
    MakeEditorStateCurrent(line.formula, GetEquationView());
    SetEditorSelection(GetEditorRoot(line.formula), CaretAfter);
    if (test.mode == 1)
        line.XYType = kContourXYType;
    else if (test.mode == 2)
        line.XYType = kDensityXYType;
    if (test.transparent)
        line.Opacity = 0.7;
    line.Grain = 1;
}

void StartTest(CMainFrame* frame, DocState* doc, const BenchmarkTest& test)
{
    doc->SliderMin = test.sliderMin;
    doc->SliderMax = test.sliderMax;
    doc->SliderSteps = static_cast<int16_t>(test.steps);
    doc->SliderVariable = 'n';
    doc->SetAnimationSliderPosition(0);
    SyncGraphBarSlider();
    PutFormula(doc, test);
    doc->Recompute();
    if (doc->AnyLineUsesSliderVariable())
        doc->PlayAnimation();
    if (doc->Graphs)
        doc->Graphs->MarkRenderContextsDirty();
    DrawGraphInPane();
    if (doc->Graphs) {
        doc->Graphs->Zoom(kZoomDefaultView, WhichBoth);
        doc->Graphs->SetViewOption(kViewStopSpinning, WhichBoth);
    }
    if (frame && frame->EquationView())
        frame->EquationView()->InvalidateLayout();
}

void Finish(CMainFrame* frame, DocState* doc)
{
    if (doc->Graphs)
        doc->Graphs->ClearAllGraphs();
    doc->FreeLines();
    State.report += FormatBenchmarkRating(State.totalSeconds);
    if (COndrelView* view = frame ? frame->EquationView() : nullptr) {
        view->OnNewTextBlock();
        COurEdit* box = doc->Lines.count > 0 ? doc->Lines[0].textBox : nullptr;
        if (box) {
            SetTextBoxSelectionFace("monaco", box);
            SetTextBoxSelectionSize(kReportTextSize, box);
            ReplaceTextBoxSelection(State.report.data(), static_cast<int32_t>(State.report.size()), true, box);
        }
    }
    doc->PaneDivider = kDefaultPaneDivider;
    if (GetDocumentHooks().postGraphPaneResize)
        GetDocumentHooks().postGraphPaneResize(doc);
    doc->StopGraphing();
    if (doc->Graphs)
        doc->Graphs->ReleaseRenderResources();
    DestroyAllGLWindows();
    StartDemo(DemoOff, 0);
}

}  // namespace

const BenchmarkTest BenchmarkTests[kBenchmarkTestCount] = {
    {0, "Function", "e^(-(x-(4*n))^2)*sum(cos(pi*k*x)^2/k,k=1,10)", 0, 1, 100, 0, 0},
    {0, "Parametric curve", "r=cos(2*n*theta)", 0, 1, 100, 0, 0},
    {0, "Contour plot", "x^2+y^2+sin(3*x)+sin(3*(y-n))", -2, 2, 100, 1, 0},
    {0, "Differential equation", "function(optotal(t),vector(x,y))=vector(-y,x+2*sin(2*pi*n*x))", 0, 1, 100, 0, 0},
    {0, "Inequality", "cos(4*pi*(r+2*n))<0", 0, 1, 100, 0, 0},
    {0, "Complex inequality", "Re(cos(4*pi*(r+2*n)))<0", 0, 1, 100, 0, 0},
    {0, "Color plot", "'color'=arg((e^(2*pi*i*n)*(x+i*y)+1)*(x+i*y))", 0, 1, 100, 0, 0},
    {0, "Density plot", "x^2+y^2+sin(n*x)+sin(n*y)", 0, 5, 100, 2, 0},
    {0, "Coordinate transform", "prime(z)=z+i*z*e^(-abs(z-e^(i*n))^2)", 0, 4, 50, 0, 0},
    {0, "Inverse transform", "z=prime(z)*e^(i*pi*n)", 0, 1, 50, 0, 0},
    {0, "Parametric curve", "vector(x,y,z)=vector(sin(n*pi*t),2*t,cos(n*pi*t))", 0, 6, 100, 0, 0},
    {1, "Surface", VL_SURFACE, 0, 1, 100, 0, 0},
    {1, "Implicit #1", "x^2+y^2+z^2+sin(n*x)+sin(n*y)+sin(n*z)=1", 3, 9, 100, 0, 0},
    {1, "Implicit #2", "cos((4*pi*sqrt(sin(x)^2+sin((y-n))^2+sin(z)^2)))=0,x<0", -2, 2, 100, 0, 0},
    {1, "Color animation", "x^2+y^2+z^2+sin(4*x)+sin(4*y)+sin(4*z)=1,'color'=sin(n+x*y*z)", 0, 6, 100, 0, 0},
    {2, "Concentric spheres", "cos(2*pi*sqrt(x^2+y^2+z^2))=0,x<n", -2, 2, 100, 0, 0},
    {1, "Transparent surface", VL_SURFACE, 0, 1, 100, 0, 1},
    {1, "Transparent implicit", "x^2+y^2+z^2+sin(n*x)+sin(n*y)+sin(n*z)=1", 3, 9, 100, 0, 1},
    {1, "Differential equation", "function(optotal(t),vector(x,y,z))=vector(y,-x,-z+x^2),phi=pi*n,'radius'=0.02", 0,
     1, 50, 0, 0},
};

#undef VL_SURFACE

std::string FormatBenchmarkHeader(int32_t paneWidth, int32_t paneHeight)
{
    std::ostringstream out;
    out << "Please e-mail these results to benchmark@kestrane.com\r\r"
        << "Vellumor " << "4.0" << " benchmark test \r"
        << "Graph pane is " << paneWidth << " x " << paneHeight << " pixels.\r"
        << "Timer resolution: " << 1.0 / TicksToMilliseconds(60) << " seconds.\r";
    return out.str();
}

std::string FormatBenchmarkTestName(const BenchmarkTest& test)
{
    std::ostringstream out;
    out << '\r' << std::left << std::setw(32) << test.name << std::right << std::setw(4) << test.steps << " steps";
    return out.str();
}

std::string FormatBenchmarkSeconds(double seconds)
{
    // Rounded to hundredths, so that 3.05 s reads 3.05 and not 3.04.
    const long long hundredths = std::llround(std::max(0.0, seconds) * 100);
    char text[48];
    std::snprintf(text, sizeof text, "%4lld.%02lld seconds ", hundredths / 100, hundredths % 100);
    return text;
}

std::string FormatBenchmarkRates(double frames, double triangles, double seconds, bool is3D)
{
    std::ostringstream out;
    const double s = seconds > 0 ? seconds : 1;
    out << std::fixed << std::setprecision(1) << std::setw(6) << frames / s << " frames/s ";
    if (is3D)
        out << std::setw(8) << static_cast<long long>(triangles / s) << " triangles/s ";
    return out.str();
}

std::string FormatBenchmarkRating(double totalSeconds)
{
    std::ostringstream out;
    out << std::setprecision(4) << "\r\rRating: " << (totalSeconds > 0 ? kBenchmarkRatingScale / totalSeconds : 0.0)
        << " VLMarks\r\r";
    return out.str();
}

void RunBenchmarkStep()
{
    const BenchmarkNext next = RunBenchmark(GetMainFrame());
    if (next.wait == BenchmarkWait::GraphsDone)
        SetDemoPacing(false, true, 0);
    else if (next.wait == BenchmarkWait::Time)
        SetDemoPacing(true, false, next.due);
}

std::string GetBenchmarkReport()
{
    return State.previousPhase == -1 ? FinishedReport : State.report;
}

int32_t GetBenchmarkPhase()
{
    return State.previousPhase;
}

BenchmarkNext RunBenchmark(CMainFrame* frame)
{
    if (!frame) {
        ResetState();
        return {BenchmarkWait::Finished, 0};
    }
    DocState* doc = GetDocState();
    const uint32_t now = ClockMilliseconds();
    const double elapsed = Seconds(now - State.startTime);
    switch (State.previousPhase) {
    case -1: {
        State.totalSeconds = 0;
        // The pane as shown: a demonstration's fresh document has not measured it yet.
        const CGraphView* pane = frame->GraphView();
        State.report = pane ? FormatBenchmarkHeader(pane->width(), pane->height())
                            : FormatBenchmarkHeader(ShortRectWidth(doc->graphPaneRect),
                                                    ShortRectHeight(doc->graphPaneRect));
        break;
    }
    case 0:
        State.totalSeconds += elapsed;
        State.report += FormatBenchmarkSeconds(elapsed);
        break;
    default:
        State.report += FormatBenchmarkRates(GetFramesPresented(), static_cast<double>(GetTrianglesDrawn()), elapsed,
                                             BenchmarkTests[State.current].kind != 0);
        break;
    }

    BenchmarkNext next;
    if (State.next >= kBenchmarkTestCount) {
        Finish(frame, doc);
        FinishedReport = State.report;
        ResetState();
        return {BenchmarkWait::Finished, 0};
    }
    if (State.subStep == 0) {
        const BenchmarkTest& test = BenchmarkTests[State.next];
        StartTest(frame, doc, test);
        State.report += FormatBenchmarkTestName(test);
        next.wait = BenchmarkWait::GraphsDone;
        State.previousPhase = 0;
        State.current = State.next;
        if (State.next < kFirstSpunBenchmarkTest)
            ++State.next;
        else
            State.subStep = 1;
    } else {
        // Two seconds of spinning the finished graph.
        doc->StopAnimation();
        if (doc->Graphs)
            doc->Graphs->SetViewOption(kViewSpinAboutMinusZ, WhichBoth);
        next.wait = BenchmarkWait::Time;
        next.due = now + static_cast<uint32_t>(TicksToMilliseconds(kSpinTicks));
        State.previousPhase = 1;
        State.next = State.current + 1;
        State.subStep = 0;
    }
    ResetFramesPresented();
    ResetTrianglesDrawn();
    State.startTime = ClockMilliseconds();
    return next;
}
