#include "app/CommandTable.h"

#include "app/CGraphView.h"
#include "app/CMainFrame.h"
#include "app/COndrelApp.h"
#include "app/MovieRecorder.h"
#include "app/WebPageExport.h"
#include "app/COndrelDoc.h"
#include "app/DemoPlayer.h"
#include "app/EditRouting.h"
#include "app/VersionCheck.h"
#include "document/DocState.h"
#include "drawing/DDUtils.h"
#include "drawing/TypesetDCScope.h"
#include "editor/COndrelView.h"
#include "editor/EditorCommands.h"
#include "editor/EditorPredicates.h"
#include "editor/EquationViewServices.h"
#include "editor/FormulaClipboard.h"
#include "editor/TextBlocks.h"
#include "formula/EditorState.h"
#include "graphmodel/EquationFormClassifier.h"
#include "graphs2d/GraphSet.h"
#include "rendering/GLProbe.h"
#include "rendering/ViewRenderContext.h"

#include <QApplication>
#include <QClipboard>
#include <QDesktopServices>
#include <QDir>
#include <QGuiApplication>
#include <QLineEdit>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QTextEdit>
#include <QUrl>

namespace {

using Rule = bool (*)(const CommandContext&);

// Rules.
bool Always(const CommandContext&) { return true; }
// The part of the program the command needs is not there yet: the item shows,
// disabled, rather than doing nothing.
bool NotYetAvailable(const CommandContext&) { return false; }
bool NoDemo(const CommandContext& c) { return !c.demo; }
bool NoDemoOrPaused(const CommandContext& c) { return !c.demo || c.demoPaused; }
bool Editing(const CommandContext& c) { return c.editMode == EditFormula; }
bool GraphShownUnlessDemo(const CommandContext& c) { return NoDemo(c) && c.graphShown; }
bool GraphShownUnlessRunning(const CommandContext& c) { return c.graphShown && NoDemoOrPaused(c); }
bool CanInsert(const CommandContext& c) { return NoDemo(c) && Editing(c); }
bool CanInsertString(const CommandContext& c) { return CanInsert(c) && c.canMakeString; }
bool CanTransform(const CommandContext& c) { return CanInsert(c) && c.subtreeSelected; }
bool CanCopyAsText(const CommandContext& c) { return CanInsert(c) && c.hasSelection; }
bool CanDrawGraph(const CommandContext& c) { return c.canDrawGraph; }
bool CanShowAllData(const CommandContext& c) { return GraphShownUnlessDemo(c) && c.canExtendRanges; }
bool CanAnimate(const CommandContext& c) { return NoDemoOrPaused(c) && c.anyUsesSlider; }
bool CanPlot3D(const CommandContext& c) { return NoDemo(c) && Editing(c) && c.equation3D; }
bool CanTransparency(const CommandContext& c) { return NoDemo(c) && c.canUseTransparency; }
bool CanAntialias(const CommandContext& c) { return !c.movie && !c.benchmark && !c.demo; }
bool GLAvailable(const CommandContext& c) { return c.glAvailable; }
bool Software3D(const CommandContext& c) { return c.software3D; }
bool TextOrCellEdited(const CommandContext& c) { return c.editMode == EditTextOrCell; }
bool TextBlockEdited(const CommandContext& c) { return c.textBlock; }
bool CanNewTextBlock(const CommandContext& c) { return NoDemo(c) && !c.textBlock; }

// The edit commands, by edit mode.
bool CanCutOrCopy(const CommandContext& c, bool cutOrClear)
{
    if (!c.focusInFrame)
        return c.editBoxHasSelection;
    if (cutOrClear && c.formulaCellBelowHeader)
        return false;
    switch (c.editMode) {
    case EditFormula: return !c.demo && c.hasSelection;
    case EditTextOrCell: return c.editBoxHasSelection;
    case EditTableColumns:
    case EditTableRows: return true;
    case EditValueCell:
    case EditRangeCell: return !c.demo && c.cellSelection;
    default: return false;
    }
}
bool CanCut(const CommandContext& c) { return CanCutOrCopy(c, true); }
bool CanCopy(const CommandContext& c) { return CanCutOrCopy(c, false); }
bool CanClear(const CommandContext& c) { return c.focusInFrame && CanCutOrCopy(c, true); }
bool CanPaste(const CommandContext& c)
{
    if (!c.focusInFrame)
        return c.editBoxCanPaste;
    if (c.editingTable)
        return !c.formulaCellBelowHeader;
    switch (c.editMode) {
    case EditFormula: return (!c.demo && c.canPaste) || c.clipboardHasImage;
    case EditTextOrCell: return c.editBoxCanPaste;
    case EditValueCell:
    case EditRangeCell: return !c.demo && c.clipboardHasText;
    default: return false;
    }
}
bool CanSelectAll(const CommandContext& c)
{
    if (!c.focusInFrame)
        return false;
    switch (c.editMode) {
    case EditFormula: return !c.demo && c.hasFormula;
    case EditTextOrCell: return c.editBoxHasText;
    case EditValueCell:
    case EditRangeCell: return true;
    default: return false;
    }
}
bool CanUndo(const CommandContext& c)
{
    if (c.demo || c.movie || !c.focusInFrame)
        return false;
    return c.undoIsTextBlockCell ? c.editBoxCanUndo : c.undoAvailable;
}

// Check rules.
int32_t CheckAnimating(const CommandContext& c) { return c.animating; }
int32_t CheckKeypad(const CommandContext& c) { return c.keypadShown; }
bool CanSet2DRange(const CommandContext& c) { return NoDemo(c) && c.hasGraphSet && c.shows2D; }
int32_t CheckAxes(const CommandContext& c) { return c.axesCheck; }
int32_t CheckPaper(const CommandContext& c) { return c.paperCheck; }
int32_t CheckTranslucent(const CommandContext& c) { return c.translucent; }
int32_t CheckAntialiasing(const CommandContext& c) { return c.antialiasing; }
int32_t CheckOpenGL(const CommandContext& c) { return c.renderMode == 2; }
int32_t CheckSoftware(const CommandContext& c) { return c.renderMode == 1; }
int32_t CheckIgnoreZ(const CommandContext& c) { return c.ignoreZBufferTest; }
int32_t CheckPlainText(const CommandContext& c) { return c.textEffectsOff == (TextBold | TextItalic | TextUnderline); }
template <int32_t Effect>
int32_t CheckTextEffect(const CommandContext& c)
{
    return (c.textEffectsOn & Effect) != 0;
}
template <int32_t Pixels>
int32_t CheckTextSize(const CommandContext& c)
{
    return c.textPixels == Pixels;
}
template <int Mode>
int32_t CheckPlotMode(const CommandContext& c)
{
    return Editing(c) && c.equation3D && c.lineXYType == Mode;
}

// Handlers.
DocState* Doc() { return GetDocState(); }
GraphSet* Graphs() { return dynamic_cast<GraphSet*>(Doc()->Graphs); }

void RefreshViews(CMainFrame& frame)
{
    if (COndrelView* view = frame.EquationView()) {
        view->RelayoutPane();
        view->update();
    }
    if (CGraphView* view = frame.GraphView())
        view->update();
}

void FocusEquationPane(CMainFrame& frame)
{
    if (COndrelView* view = frame.EquationView())
        view->setFocus();
}

// An editor command from a menu, then the document follows.
template <EditorCommandCode Code>
void InsertTemplate(CMainFrame& frame)
{
    DoEditorCommand(Code);
    Doc()->Recompute();
    RefreshViews(frame);
}

void OnFileNew(CMainFrame&) { GetApp()->OnFileNew(); }
void OnFileOpen(CMainFrame&) { GetApp()->OnFileOpen(); }
void OnFileSave(CMainFrame&)
{
    if (COndrelDoc* document = GetApp()->Document())
        document->OnFileSave();
}
void OnFileSaveAs(CMainFrame&)
{
    if (COndrelDoc* document = GetApp()->Document())
        document->OnFileSaveAs();
}
void OnExit(CMainFrame& frame) { frame.close(); }

void OnCopyGraph(CMainFrame& frame) { frame.GraphView()->CopyToClipboard(frame.ContextView()); }
void OnCopyAsText(CMainFrame&)
{
    if (Doc()->EditMode == EditFormula)
        CopyFormulaAsText(Doc()->CurrentFormula());
}
void OnNewMathExpression(CMainFrame& frame)
{
    if (!FocusIsInFrame(frame))
        return;
    Doc()->InsertEquationLine();
    RefreshViews(frame);
    if (COndrelView* view = frame.EquationView())
        view->ScrollCaretIntoView();
    FocusEquationPane(frame);
}

void OnDrawGraph(CMainFrame& frame) { frame.GraphView()->DrawGraph(); }
void OnResetGraph(CMainFrame& frame) { Doc()->ResetGraphView(frame.ContextView()); }
void OnShowAllData(CMainFrame& frame)
{
    if (GraphSet* graphs = Graphs()) {
        graphs->ExtendRangesToData();
        frame.GraphView()->update();
    }
}
void OnZoomIn(CMainFrame& frame) { frame.ZoomByMenu(true); }
void OnZoomOut(CMainFrame& frame) { frame.ZoomByMenu(false); }
void OnAnimateGraph(CMainFrame& frame)
{
    Qt::KeyboardModifiers mods = QGuiApplication::queryKeyboardModifiers();
    Doc()->AnimateGraph(mods & Qt::ControlModifier, mods & Qt::ShiftModifier);
    FocusEquationPane(frame);
}
template <int Mode>
void SetPlottingMode(CMainFrame& frame)
{
    Doc()->SetCurrentLineXYType(Mode);
    RefreshViews(frame);
}
// View option 17 toggles the axes.
void OnDrawAxes(CMainFrame& frame)
{
    if (GraphSet* graphs = Graphs())
        graphs->SetViewOption(17, frame.ContextView());
}
void OnDrawGraphPaper(CMainFrame& frame) { Doc()->ToggleGraphPaper(frame.ContextView()); }
void OnUseTransparency(CMainFrame& frame)
{
    Doc()->ToggleTransparency();
    RefreshViews(frame);
}
void OnUseAntialiasing(CMainFrame&) { Doc()->ToggleAntialiasing(); }
void SetRenderMode(int32_t mode)
{
    if (GraphSet* graphs = Graphs()) {
        graphs->ReleaseRenderResources();
        graphs->SetRenderMode(mode);
    }
    Doc()->RequestRedraw();
}
void OnRenderOpenGL(CMainFrame&) { SetRenderMode(2); }
void OnRenderSoftware(CMainFrame&) { SetRenderMode(1); }
void OnIgnoreZBufferTest(CMainFrame&)
{
    if (AreGLExtensionsAvailable())
        SetIgnoreZBufferTest(!GetIgnoreZBufferTest());
}
void OnToggleSliderThrottle(CMainFrame&) { Doc()->ToggleThrottle(); }

// Text: the edited block's selection; the Font item opens its face list.
void OnFontMenu(CMainFrame&) {}
void OnPlainText(CMainFrame&) { SetPlainText(); }
template <int32_t Effect>
void OnTextEffect(CMainFrame&)
{
    ToggleTextEffect(Effect);
}
template <int32_t Pixels>
void OnTextSize(CMainFrame&)
{
    SetTextMenuSize(Pixels);
}
template <int32_t Delta>
void OnTextStep(CMainFrame&)
{
    StepTextSize(Delta);
}
void OnNewTextBlock(CMainFrame& frame)
{
    if (COndrelView* view = frame.EquationView())
        view->OnNewTextBlock(QGuiApplication::queryKeyboardModifiers() & Qt::ShiftModifier);
}

// The Demo menu: each entry starts its demonstration, or stops it.
void OnDemoBasics(CMainFrame& f) { f.OnDemo(1); }
void OnDemoCurves(CMainFrame& f) { f.OnDemo(3); }
void OnDemoSurfaces(CMainFrame& f) { f.OnDemo(4); }
void OnDemoFields(CMainFrame& f) { f.OnDemo(5); }
void OnDemoFourDimensions(CMainFrame& f) { f.OnDemo(7); }
void OnDemoComplexVariables(CMainFrame& f) { f.OnDemo(8); }
void OnDemoExponentialFunction(CMainFrame& f) { f.OnDemo(9); }
void OnDemoExamples(CMainFrame& f) { f.OnDemo(ScriptCount + 2); }
// Without examples the full demo takes the examples tour's type.
void OnDemoFull(CMainFrame& f) { f.OnDemo(ScriptCount + (ExampleCount() >= 1 ? 3 : 2)); }
bool HasExamples(const CommandContext&) { return ExampleCount() >= 1; }

// The help pages lie beside the program.
void OpenHelpPage(const char* page)
{
    QDir dir(QCoreApplication::applicationDirPath());
    QDesktopServices::openUrl(QUrl::fromLocalFile(dir.filePath(QStringLiteral("help/") + QLatin1String(page))));
}
template <const char* Page>
void OnHelpPage(CMainFrame&) { OpenHelpPage(Page); }
constexpr char kHelpIndex[] = "index.html";
constexpr char kSpecialSymbols[] = "pages/Special_Symbols.html";
constexpr char kParameters[] = "pages/Defining_Parameters.html";
constexpr char kGraphs2D[] = "pages/Graphs_2D.html";
constexpr char kGraphs3D[] = "pages/Graphs_3D.html";
constexpr char kSideBySide[] = "pages/Side-by-Side_Graphs.html";
constexpr char kTables[] = "pages/Tables.html";
constexpr char kShortcuts[] = "pages/Keyboard_Shortcuts.html";

template <const char* Page>
void OnWebPage(CMainFrame&) { QDesktopServices::openUrl(QUrl(QStringLiteral("https://www.kestrane.com/") + QLatin1String(Page))); }
constexpr char kToday[] = "today.vlf";
constexpr char kTodayPage[] = "today.html";
constexpr char kGallery[] = "usersgallery.html";
constexpr char kBooks[] = "Books.html";
constexpr char kHome[] = "";

using Run = void (*)(CMainFrame&);
constexpr Run kNone = nullptr;

// The Table menu.
bool TableEdited(const CommandContext& c) { return !c.demo && c.editingTable; }
bool CanUseTableCommands(const CommandContext& c) { return !c.demo && c.canUseTableCommands; }
template <void (DocState::*Command)(int32_t), int32_t Argument>
void TableCommand(CMainFrame&)
{
    (GetDocState()->*Command)(Argument);
}
template <int32_t After>
void AddFormulaColumn(CMainFrame&)
{
    TypesetDCScope typeset(true);
    GetDocState()->AddTableFormulaColumn(After);
}
template <void (DocState::*Command)()>
void DeleteFromTable(CMainFrame&)
{
    (GetDocState()->*Command)();
    FocusCurrentEditor();
}

const CommandEntry kCommands[] = {
    // File
    {57600, "&New\tCtrl+N", OnFileNew, NoDemo, nullptr},
    {57601, "&Open...\tCtrl+O", OnFileOpen, NoDemo, nullptr},
    {57602, "&Close", kNone, NotYetAvailable, nullptr},
    {57603, "&Save\tCtrl+S", OnFileSave, NoDemo, nullptr},
    {57604, "Save &As...", OnFileSaveAs, NoDemo, nullptr},
    {34035, "Save As Web Page...", [](CMainFrame&) { SaveAsWebPage(); }, NoDemo, nullptr},
    {34040, "Revert to Saved...", [](CMainFrame&) { GetApp()->OnRevertToSaved(); },
     [](const CommandContext& c) { return c.canRevert; }, nullptr},
    {32784, "&Document Settings...", [](CMainFrame& f) { f.OnDocumentSettings(); }, NoDemo, nullptr},
    {57607, "&Print...\tCtrl+P", [](CMainFrame& f) { f.OnFilePrint(); }, NoDemo, nullptr},
    {57616, "Recent File", kNone, NotYetAvailable, nullptr},
    {57665, "E&xit", OnExit, Always, nullptr},
    // Edit
    {57643, "&Undo\tCtrl+Z", EditUndo, CanUndo, nullptr},
    {57635, "Cu&t\tCtrl+X", EditCut, CanCut, nullptr},
    {57634, "&Copy\tCtrl+C", EditCopy, CanCopy, nullptr},
    {57637, "&Paste\tCtrl+V", EditPaste, CanPaste, nullptr},
    {57632, "Cl&ear", EditClear, CanClear, nullptr},
    {32782, "Select &All\tCtrl+A", EditSelectAll, CanSelectAll, nullptr},
    {32783, "Copy &Graph", OnCopyGraph, GraphShownUnlessDemo, nullptr},
    {32868, "Copy As &Text\tCtrl+Shift+C", OnCopyAsText, CanCopyAsText, nullptr},
    // Math
    {32785, "Show &Keypad", [](CMainFrame& f) { f.OnShowKeypad(); }, Always, CheckKeypad},
    {32772, "E&xponent\t^", InsertTemplate<4159>, CanInsert, nullptr},
    {32771, "S&quare Root\tCtrl+Shift+R", InsertTemplate<4145>, CanInsert, nullptr},
    {32770, "Su&bscript\tCtrl+L", InsertTemplate<6310>, CanInsert, nullptr},
    {32773, "&2-Vector\tCtrl+2", InsertTemplate<6323>, CanInsert, nullptr},
    {32774, "&3-Vector\tCtrl+3", InsertTemplate<6324>, CanInsert, nullptr},
    {32854, "2 x 2 &Matrix\tCtrl+Shift+2", InsertTemplate<6337>, CanInsert, nullptr},
    {32855, "3 x 3 M&atrix\tCtrl+Shift+3", InsertTemplate<6338>, CanInsert, nullptr},
    {34007, "&Function\tCtrl-9", InsertTemplate<4103>, CanInsert, nullptr},
    {32769, "Strin&g\tCtrl+'", InsertTemplate<6340>, CanInsertString, nullptr},
    {32856, "&Integral\tCtrl+Shift+I", InsertTemplate<6336>, CanInsert, nullptr},
    {32860, "", InsertTemplate<6336>, CanInsert, nullptr},
    {32857, "&Summation\tCtrl+Shift+S", InsertTemplate<6331>, CanInsert, nullptr},
    {32858, "S&ubstitution\tCtrl+\\", InsertTemplate<6333>, CanInsert, nullptr},
    {32859, "T&otal Derivative\tCtrl+Shift+D", InsertTemplate<6330>, CanInsert, nullptr},
    {32775, "Partial &Derivative\tCtrl+D", InsertTemplate<6322>, CanInsert, nullptr},
    {32776, "&Calculate\tCtrl+=", InsertTemplate<8199>, CanTransform, nullptr},
    {32777, "Simplif&y\tCtrl+Y", InsertTemplate<8192>, CanTransform, nullptr},
    {32778, "&Expand\tCtrl+E", InsertTemplate<8194>, CanTransform, nullptr},
    {32862, "&Transform\tCtrl+F", InsertTemplate<8219>, CanTransform, nullptr},
    {32779, "&Isolate Term\tCtrl+I", InsertTemplate<8214>, CanTransform, nullptr},
    {32780, "&New Math Expression\tCtrl+Enter", OnNewMathExpression, NoDemo, nullptr},
    // Text: the text-block formatting commands.
    {32869, "&Font", OnFontMenu, TextBlockEdited, nullptr},
    {32870, "&Plain Text\tCtrl+Space", OnPlainText, TextBlockEdited, CheckPlainText},
    {32871, "&Bold\tCtrl+B", OnTextEffect<TextBold>, TextBlockEdited, CheckTextEffect<TextBold>},
    {32872, "&Italic\tCtrl+I", OnTextEffect<TextItalic>, TextBlockEdited, CheckTextEffect<TextItalic>},
    {32873, "&Underline\tCtrl+U", OnTextEffect<TextUnderline>, TextBlockEdited, CheckTextEffect<TextUnderline>},
    {32874, "&9", OnTextSize<9>, TextOrCellEdited, CheckTextSize<9>},
    {32875, "&10", OnTextSize<10>, TextOrCellEdited, CheckTextSize<10>},
    {32876, "1&2", OnTextSize<12>, TextOrCellEdited, CheckTextSize<12>},
    {32877, "1&8", OnTextSize<18>, TextOrCellEdited, CheckTextSize<18>},
    {32878, "&24", OnTextSize<24>, TextOrCellEdited, CheckTextSize<24>},
    {32879, "&36", OnTextSize<36>, TextOrCellEdited, CheckTextSize<36>},
    {32880, "&Smaller\tCtrl+-", OnTextStep<-1>, TextOrCellEdited, nullptr},
    {32881, "&Larger\tCtrl+=", OnTextStep<1>, TextOrCellEdited, nullptr},
    {32882, "&New Text Block\tCtrl+T", OnNewTextBlock, CanNewTextBlock, nullptr},
    // Table
    {32900, "Add &Row", TableCommand<&DocState::AddTableRow, 1>, TableEdited, nullptr},
    {32901, "Add &Column", TableCommand<&DocState::AddTableColumn, 1>, TableEdited, nullptr},
    {32906, "Add &Formula", AddFormulaColumn<1>, TableEdited, nullptr},
    {32908, "Add Ro&w Before", TableCommand<&DocState::AddTableRow, 0>, TableEdited, nullptr},
    {32909, "Add Colu&mn Before", TableCommand<&DocState::AddTableColumn, 0>, TableEdited, nullptr},
    {32910, "Add Form&ula Before", AddFormulaColumn<0>, TableEdited, nullptr},
    {32902, "&Delete Row", DeleteFromTable<&DocState::DeleteTableRow>, TableEdited, nullptr},
    {32903, "D&elete Column", DeleteFromTable<&DocState::DeleteTableColumn>, TableEdited, nullptr},
    {32904, "&Sort", TableCommand<&DocState::SortTable, 1>, CanUseTableCommands, nullptr},
    {32907, "Re&verse Sort", TableCommand<&DocState::SortTable, -1>, CanUseTableCommands, nullptr},
    {32905, "&New Table\tCtrl+Shift+T", [](CMainFrame&) { GetDocState()->InsertTableLine(); }, NoDemo, nullptr},
    // Graph
    {32795, "Draw &Graph\tEnter", OnDrawGraph, CanDrawGraph, nullptr},
    {32786, "&Reset Graph\tCtrl+R", OnResetGraph, GraphShownUnlessRunning, nullptr},
    {32865, "S&et 2D Range...", [](CMainFrame& f) { f.RunSet2DRangeDialog(f.ContextView()); }, CanSet2DRange, nullptr},
    {34049, "Sho&w All Data", OnShowAllData, CanShowAllData, nullptr},
    {32793, "Zoom &In", OnZoomIn, GraphShownUnlessRunning, nullptr},
    {32794, "Zoom &Out", OnZoomOut, GraphShownUnlessRunning, nullptr},
    {32787, "Slider &Values...", [](CMainFrame& f) { f.OnSliderValues(); }, NoDemoOrPaused, nullptr},
    {32788, "&Animate Graph", OnAnimateGraph, CanAnimate, CheckAnimating},
    {32789, "&Surface Plot", SetPlottingMode<1>, CanPlot3D, CheckPlotMode<1>},
    {32790, "&Density Plot", SetPlottingMode<2>, CanPlot3D, CheckPlotMode<2>},
    {32791, "&Contour Plot", SetPlottingMode<3>, CanPlot3D, CheckPlotMode<3>},
    {32863, "Draw A&xes", OnDrawAxes, GraphShownUnlessDemo, CheckAxes},
    {32864, "Draw Graph &Paper", OnDrawGraphPaper, GraphShownUnlessDemo, CheckPaper},
    {34002, "&Use Transparency", OnUseTransparency, CanTransparency, CheckTranslucent},
    {34001, "Use An&tialiasing", OnUseAntialiasing, CanAntialias, CheckAntialiasing},
    // Examples and Demo: the example list and the demonstrations.
    {35000, "&About this menu", kNone, NotYetAvailable, nullptr},
    // The demonstrations stay enabled while one runs: choosing it again stops it.
    {32821, "&Basics", OnDemoBasics, Always, nullptr},
    {32822, "&Curves", OnDemoCurves, Always, nullptr},
    {32823, "&Surfaces", OnDemoSurfaces, Always, nullptr},
    {32824, "&Fields", OnDemoFields, Always, nullptr},
    {34004, "F&our dimensions", OnDemoFourDimensions, Always, nullptr},
    {34005, "Complex &variables", OnDemoComplexVariables, Always, nullptr},
    {34006, "E&xponential function", OnDemoExponentialFunction, Always, nullptr},
    {34039, "&Examples", OnDemoExamples, HasExamples, nullptr},
    {32825, "Full &Demo", OnDemoFull, Always, nullptr},
    // Help
    {57664, "&About Vellumor...", kNone, NotYetAvailable, nullptr},
    {57670, "Vellumor &Help", OnHelpPage<kHelpIndex>, Always, nullptr},
    {34014, "Graphing &Variables", OnHelpPage<kSpecialSymbols>, Always, nullptr},
    {34015, "Defining &Parameters", OnHelpPage<kParameters>, Always, nullptr},
    {34016, "T&wo-Dimensional Graphs", OnHelpPage<kGraphs2D>, Always, nullptr},
    {34017, "Th&ree-Dimensional Graphs", OnHelpPage<kGraphs3D>, Always, nullptr},
    {34018, "Showing Graphs &Side by Side", OnHelpPage<kSideBySide>, Always, nullptr},
    {34028, "Using &Tables", OnHelpPage<kTables>, Always, nullptr},
    {34019, "&Keyboard Shortcuts", OnHelpPage<kShortcuts>, Always, nullptr},
    {34024, "Get Today's &Equations", OnWebPage<kToday>, Always, nullptr},
    {34025, "", OnWebPage<kTodayPage>, Always, nullptr},
    {34026, "Users' &Gallery", OnWebPage<kGallery>, Always, nullptr},
    {34027, "", OnWebPage<kHome>, Always, nullptr},
    {34034, "", OnWebPage<kBooks>, Always, nullptr},
    {34038, "Check for &updates...", [](CMainFrame&) { OnCheckForUpdates(); }, Always, nullptr},
    // Without menu items.
    {32818, "", OnRenderOpenGL, GLAvailable, CheckOpenGL},
    {32819, "", OnRenderSoftware, Software3D, CheckSoftware},
    {32828, "", OnRenderSoftware, Software3D, CheckSoftware},
    {32838, "Ignore results of line/triangle zbuffer test", OnIgnoreZBufferTest, GLAvailable, CheckIgnoreZ},
    {34036, "", OnToggleSliderThrottle, Always, nullptr},
    {34043, "", [](CMainFrame& f) { f.OnNextPane(); }, Always, nullptr},
};

constexpr int32_t kFile[] = {57600, 57601, 57602, 57603, 57604, 34035, 34040, 0, 32784, 0, 57607, 0, 57616, 0, 57665, -1};
constexpr int32_t kEdit[] = {57643, 0, 57635, 57634, 57637, 57632, 32782, 0, 32783, 32868, -1};
constexpr int32_t kMath[] = {32785, 0,     32772, 32771, 32770, 32773, 32774, 32854, 32855, 34007, 32769, 0,    32856,
                             32857, 32858, 32859, 32775, 0,     32776, 32777, 32778, 32862, 32779, 0,     32780, -1};
constexpr int32_t kText[] = {32869, 0, 32870, 32871, 32872, 32873, 0, 32874, 32875, 32876,
                             32877, 32878, 32879, 0, 32880, 32881, 0, 32882, -1};
constexpr int32_t kTable[] = {32900, 32901, 32906, 32908, 32909, 32910, 32902, 32903, 0, 32904, 32907, 0, 32905, -1};
constexpr int32_t kGraph[] = {32795, 32786, 32865, 34049, 32793, 32794, 0,     32787, 32788, 0,     32789,
                              32790, 32791, 0,     32863, 32864, 0,     34002, 34001, -1};
constexpr int32_t kExamples[] = {35000, -1};
constexpr int32_t kDemo[] = {32821, 0, 32822, 32823, 32824, 0, 34004, 34005, 34006, 0, 34039, 32825, -1};
constexpr int32_t kHelp[] = {57664, 0,     57670, 0,     34014, 34015, 34016, 34017, 34018,
                             34028, 34019, 0,     34024, 34026, 0,     34038, -1};

const MenuSpec kMenus[] = {
    {"&File", kFile},   {"&Edit", kEdit},         {"&Math", kMath}, {"&Text", kText}, {"T&able", kTable},
    {"&Graph", kGraph}, {"E&xamples", kExamples}, {"&Demo", kDemo}, {"&Help", kHelp},
};

constexpr int32_t kEquationContext[] = {57635, 57634, 57637, 0, 32868, 32783, 0, 32776, 32777, 32778, 32862, 32779, -1};
constexpr int32_t kGraphContext[] = {32783, 0, 32786, 32865, 0, 32863, 32864, -1};

// Ctrl+VK 61 is the key that types '='.
const AcceleratorEntry kAccelerators[] = {
    {"Ctrl+N", 57600},         {"Ctrl+O", 57601},          {"Ctrl+S", 57603},        {"Ctrl+P", 57607},
    {"Ctrl+Z", 57643},         {"Alt+Backspace", 57643},   {"Ctrl+X", 57635},        {"Shift+Del", 57635},
    {"Ctrl+C", 57634},         {"Ctrl+Ins", 57634},        {"Ctrl+V", 57637},        {"Shift+Ins", 57637},
    {"Ctrl+A", 32782},         {"Ctrl+Shift+C", 32868},    {"Ctrl+L", 32770},        {"Ctrl+=", 32776},
    {"Ctrl+Num++", 32776},     {"Ctrl+Y", 32777},          {"Ctrl+Return", 32780},   {"Ctrl+Enter", 32780},
    {"Ctrl+B", 32871},         {"Ctrl+Space", 32870},      {"Ctrl+Num++", 32881},    {"Ctrl+Shift+T", 32905},
    {"Ctrl+2", 32773},         {"Ctrl+3", 32774},          {"Ctrl+Shift+2", 32854},  {"Ctrl+Shift+3", 32855},
    {"Ctrl+9", 34007},         {"Ctrl+'", 32769},          {"Ctrl+Shift+I", 32856},  {"Ctrl+Shift+S", 32857},
    {"Ctrl+\\", 32858},        {"Ctrl+Shift+D", 32859},    {"Ctrl+D", 32775},        {"Ctrl+F", 32862},
    {"Ctrl+E", 32778},         {"Ctrl+R", 32786},          {"Ctrl+U", 32873},        {"Ctrl+T", 32882},
    {"Ctrl+Num+-", 32880},     {"Ctrl+F1", 32818},         {"Ctrl+F2", 32819},       {"Ctrl+F3", 32828},
    {"Ctrl+F4", 32838},        {"Ctrl+Shift+O", 34036},    {"Ctrl+Tab", 34043},
};

}  // namespace

const MenuSpec EquationPaneContextMenu{"", kEquationContext};
const MenuSpec GraphPaneContextMenu{"", kGraphContext};

const CommandEntry* FindCommand(int32_t id)
{
    for (const CommandEntry& entry : kCommands) {
        if (entry.id == id)
            return &entry;
    }
    return nullptr;
}

int32_t CommandCount() { return static_cast<int32_t>(std::size(kCommands)); }
const CommandEntry& CommandAt(int32_t i) { return kCommands[i]; }
int32_t MenuCount() { return static_cast<int32_t>(std::size(kMenus)); }
const MenuSpec& MenuAt(int32_t i) { return kMenus[i]; }
int32_t AcceleratorCount() { return static_cast<int32_t>(std::size(kAccelerators)); }
const AcceleratorEntry& AcceleratorAt(int32_t i) { return kAccelerators[i]; }

bool IsCommandEnabled(int32_t id, const CommandContext& c)
{
    const CommandEntry* entry = FindCommand(id);
    return entry && entry->run && entry->enabled(c);
}

int32_t CommandCheckState(int32_t id, const CommandContext& c)
{
    const CommandEntry* entry = FindCommand(id);
    return entry && entry->check ? entry->check(c) : -1;
}

int32_t ZoomCode(bool in, bool ctrl, bool shift)
{
    int32_t base = in ? 0 : 3;
    return ctrl ? base + 1 : shift ? base + 2 : base;
}

ZoomPlan PlanZoom(int32_t code, bool secondShown, bool activeIs2D, bool secondIs2D, bool any2D)
{
    int32_t plain = code < 3 ? 0 : 3;
    if (secondShown && (!activeIs2D || !secondIs2D))
        return {true, activeIs2D ? code : plain, secondIs2D ? code : plain};
    return {false, any2D ? code : plain, any2D ? code : plain};
}

namespace {

// Which views the axes or graph paper show, as a check state.
int32_t ViewCheck(bool first, bool second, bool hasSecond, int32_t which)
{
    if (which == WhichActive || !hasSecond)
        return first;
    if (which == WhichSecond)
        return second;
    return first && second ? CheckOn : first || second ? CheckPartial : CheckOff;
}

void ReadEditBox(CommandContext& c)
{
    QWidget* box = FocusedEditBox();
    if (auto* line = qobject_cast<QLineEdit*>(box)) {
        c.editBoxHasSelection = line->hasSelectedText();
        c.editBoxHasText = !line->text().isEmpty();
        c.editBoxCanPaste = !line->isReadOnly();
        c.editBoxCanUndo = line->isUndoAvailable();
    } else if (auto* text = qobject_cast<QTextEdit*>(box)) {
        c.editBoxHasSelection = text->textCursor().hasSelection();
        c.editBoxHasText = !text->document()->isEmpty();
        c.editBoxCanPaste = text->canPaste();
        c.editBoxCanUndo = text->document()->isUndoAvailable();
    } else if (auto* plain = qobject_cast<QPlainTextEdit*>(box)) {
        c.editBoxHasSelection = plain->textCursor().hasSelection();
        c.editBoxHasText = !plain->document()->isEmpty();
        c.editBoxCanPaste = plain->canPaste();
        c.editBoxCanUndo = plain->document()->isUndoAvailable();
    }
}

}  // namespace

CommandContext ReadCommandContext(CMainFrame* frame)
{
    CommandContext c;
    DocState* doc = GetDocState();
    c.demo = IsDemoRunning();
    c.keypadShown = frame && frame->IsKeyPaletteShown();
    c.benchmark = IsBenchmarkRunning();
    c.demoPaused = doc->IsDemoPaused();
    c.editMode = doc->EditMode;
    c.focusInFrame = !frame || FocusIsInFrame(*frame);
    c.canRevert = GetApp() && GetApp()->CanRevertToSaved();
    c.movie = IsMovieRecording();
    ReadEditBox(c);
    // Without a document there is no current line.
    bool hasLine = doc->currentLine >= 0 && doc->currentLine < doc->Lines.count;
    if (hasLine && c.editMode == EditFormula) {
        c.hasSelection = EditorHasSelection();
        c.hasFormula = EditorHasFormula();
        c.subtreeSelected = IsSubtreeSelected();
        c.canMakeString = CanMakeStringFromSelection();
        COndrelView* view = frame ? frame->EquationView() : nullptr;
        c.canPaste = view ? view->CanPaste() : ClipboardCanPaste();
    }
    if (const QMimeData* data = QGuiApplication::clipboard()->mimeData()) {
        c.clipboardHasImage = data->hasImage();
        c.clipboardHasText = data->hasText();
    }
    c.cellSelection = (c.editMode == EditValueCell || c.editMode == EditRangeCell) && doc->HasCellSelection();
    c.undoAvailable = doc->undo.kind != UndoNone;
    c.undoIsTextBlockCell = doc->undo.kind == UndoTextBox;
    c.editingTable = doc->IsEditingTable();
    c.canUseTableCommands = doc->CanUseTableCommands();
    c.graphShown = doc->IsGraphPaneShown();
    c.canDrawGraph = doc->CanDrawGraph();
    c.animating = doc->IsAnimating();
    c.anyUsesSlider = doc->AnyLineUsesSliderVariable();
    if (hasLine) {
        c.lineXYType = static_cast<int32_t>(doc->CurrentLine()->XYType);
        c.translucent = doc->CurrentLine()->Opacity != 1;
    }
    if (hasLine && c.editMode == EditFormula) {
        if (EditorState* state = doc->CurrentFormula()) {
            FormulaNode* tree = state->root;
            c.equation3D = tree && AnyEquationIs3D(&tree, 1, doc);
        }
    }
    c.canUseTransparency = doc->CanToggleTransparency();
    c.antialiasing = doc->UsesAntialiasing();
    int32_t which = frame ? frame->ContextView() : WhichBoth;
    if (GraphSet* graphs = Graphs()) {
        c.hasGraphSet = true;
        c.shows2D = graphs->Shows2DView();
        c.secondView = graphs->HasSecondView();
        c.canExtendRanges = graphs->CanExtendRangesToData();
        c.axesCheck = ViewCheck(graphs->AreAxesShown(WhichActive), graphs->AreAxesShown(WhichSecond),
                                c.secondView, which);
        c.paperCheck = ViewCheck(doc->IsGraphPaperShown(WhichActive), doc->IsGraphPaperShown(WhichSecond),
                                 c.secondView, which);
        c.renderMode = graphs->GetRenderMode();
    }
    c.glAvailable = AreGLExtensionsAvailable();
    c.software3D = HasSoftware3DDevice();
    c.ignoreZBufferTest = GetIgnoreZBufferTest();
    if (COurEdit* box = CurrentTextBox()) {
        c.textBlock = !c.editingTable;
        TextSelectionFormat format = GetSelectionFormat(box);
        c.textEffectsOn = format.effectsOn;
        c.textEffectsOff = format.effectsOff;
        c.textPixels = format.pixels;
    }
    return c;
}
