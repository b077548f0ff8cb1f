// The document's lines as a whole: a new equation line, freeing them all,
// and the commands that change a line's graph style or picture.
#include "document/DocState.h"

#include "CoreUtilities/PictureHandle.h"
#include "document/DocumentHooks.h"
#include "document/DocumentTask.h"
#include "formula/CopyTree.h"
#include "formula/EditorState.h"
#include "formula/NodePoolSet.h"
#include "formula/TreeQuery.h"

#include <algorithm>
#include <cmath>

namespace {

const DocumentHooks& Hooks()
{
    return GetDocumentHooks();
}

constexpr double kTransparentOpacity = 0.7;
constexpr int32_t kGrainWaitTicks = 10;
constexpr int32_t kMaxColorCount = 10000;

// The solid colour (1-8) used by the fewest equation lines, the first of
// those; patterns, hidden lines and pictures are not counted.
double LeastUsedColor(const DocLineArray& lines)
{
    int32_t counts[9] = {};
    for (const DocLine& line : lines) {
        if (line.kind != DocLineEquation || !(line.Color >= 1 && line.Color < 9))
            continue;
        ++counts[static_cast<int32_t>(line.Color)];
    }
    int32_t least = kMaxColorCount;
    for (int32_t code = 1; code <= 8; ++code)
        least = std::min(least, counts[code]);
    for (int32_t code = 1; code <= 8; ++code) {
        if (counts[code] == least)
            return code;
    }
    return 1;
}

void SendToGraphs(DocumentGraphSet* graphs, const DocLine& line, int32_t option, double value)
{
    if (!graphs || !line.graphs)
        return;
    for (int32_t graph : *line.graphs)
        graphs->SetEquationOption(graph, option, value);
}

ShortPoint CentreOf(const ShortRect& r)
{
    return ShortPoint{static_cast<int16_t>((r.top + r.bottom) / 2), static_cast<int16_t>((r.left + r.right) / 2)};
}

}  // namespace

void DocState::CommitPendingCellEdit()
{
    if (cellEditOpen && Hooks().commitTableCellEdit)
        Hooks().commitTableCellEdit(this);
}

DocLine* DocState::InsertEquationLine()
{
    CommitPendingCellEdit();
    StopAnalysis();
    CancelDocumentTask(this);
    if (Graphs)
        Graphs->ClearAllGraphs();

    DocLine line;
    InitEquationLine(&line);
    line.Color = LeastUsedColor(Lines);
    line.formula = NewLineFormula(this, GraphPaneWindow);
    if (!line.formula)
        return nullptr;

    // EndEditing forgets the current line; the new one goes right after it.
    int32_t index = currentLine >= 0 && currentLine < Lines.count ? currentLine + 1 : 0;
    EndEditing();
    if (!InsertDocLine(&Lines, line, index)) {
        FreeLineFormula(line.formula);
        return nullptr;
    }
    EditMode = EditFormula;
    currentLine = index;

    if (Hooks().rebuildTableFunctions)
        Hooks().rebuildTableFunctions(this);
    Recompute();
    EditorState* formula = Lines[index].formula;
    if (Hooks().activateEditorState)
        Hooks().activateEditorState(formula, GraphPaneWindow);
    else
        SetCurrentEditorState(formula);
    if (Hooks().postGraphPaneResize)
        Hooks().postGraphPaneResize(this);
    if (Hooks().scrollEquationCaretIntoView)
        Hooks().scrollEquationCaretIntoView(this);
    if (Hooks().redrawEquationPane)
        Hooks().redrawEquationPane();
    undo.kind = UndoNone;
    return &Lines[index];
}

void DocState::FreeLines()
{
    if (Graphs)
        EndEditing();
    StopAnalysis();
    CancelDocumentTask(this);
    FreeDefinitions();
    for (DocLine& line : Lines)
        FreeDocLine(&line);
    Lines.Clear();
    if (Hooks().rebuildTableFunctions)
        Hooks().rebuildTableFunctions(this);
    EditMode = EditNothing;
    currentLine = -1;
    ClearTransformRecord();
    ClearPanelEditedMarks();
    SetCurrentEditorState(nullptr);
    FlushNodePools();
}

bool DocState::SetLineGrain(double x)
{
    if (!IsEditingEquation())
        return false;
    // NaN too becomes the least grain.
    x = x >= 0 ? std::min(x, 1.0) : 0.0;
    DocLine& line = Lines[currentLine];
    line.Grain = x;
    if (Hooks().refreshAnimationControls)
        Hooks().refreshAnimationControls();
    SendToGraphs(Graphs, line, OptionResolution, x);
    bool complete = false;
    if (Graphs) {
        // Animation idle: no animation runs.
        complete = Graphs->WaitAndUploadMeshes(kGrainWaitTicks, !SliderMoving);
    }
    bool shown = IsGraphPaneShown();
    if (shown && Hooks().redrawGraphPane)
        Hooks().redrawGraphPane(this);
    GraphWorkPending = true;
    return shown && complete;
}

void DocState::ToggleTransparency()
{
    if (!IsEditingEquation())
        return;
    bool wasTranslucent = hasTranslucent;
    DocLine& line = Lines[currentLine];
    line.Opacity = line.Opacity == 1 ? kTransparentOpacity : 1;
    UpdateHasTranslucent();
    bool changed = hasTranslucent != wasTranslucent;
    if (changed && Graphs)
        Graphs->MarkRenderContextsDirty();
    if (DrawGraph && (recomputeOnStyleChange || changed)) {
        bool animating = SliderMoving;
        Recompute();
        BeginGraphing();
        if (animating && Hooks().startAnimation)
            Hooks().startAnimation(this);
        return;
    }
    SendToGraphs(Graphs, Lines[currentLine], OptionOpacity, Lines[currentLine].Opacity);
}

void DocState::SetCurrentLineXYType(double type)
{
    if (currentLine < 0 || currentLine >= Lines.count)
        return;
    Lines[currentLine].XYType = type;
    Recompute();
    BeginGraphing();
}

void DocState::MakeAllOpaque()
{
    for (DocLine& line : Lines) {
        if (line.kind != DocLineEquation)
            continue;
        line.Opacity = 1;
        SendToGraphs(Graphs, line, OptionOpacity, 1);
    }
    UpdateHasTranslucent();
}

void ApplyLinePictureToGraphs(DocState* doc, DocLine* line)
{
    if (line->kind != DocLineEquation || !line->graphs || !line->picture || !doc->Graphs)
        return;
    doc->Graphs->SetCurrentPicture(line->picture);
    SendToGraphs(doc->Graphs, *line, OptionColor, 999);
    doc->Graphs->SetCurrentPicture(nullptr);
    if (Hooks().redrawEquationPane)
        Hooks().redrawEquationPane();
}

void DocState::SetCurrentLinePicture(GlobalHandle picture)
{
    if (!IsEditingEquation())
        return;
    DocLine& line = Lines[currentLine];
    FreeGlobalHandle(line.picture);
    line.picture = DuplicateGlobalHandle(picture);
    ApplyLinePictureToGraphs(this, &line);
    if (Hooks().setDocModified)
        Hooks().setDocModified(true);
}

void DocState::PastePicture(GlobalHandle picture, const ShortPoint* point)
{
    bool editing = IsEditingEquation();
    bool secondViewLine = editing && Lines[currentLine].secondView;
    ShortRect first{0, 0, 0, 0};
    ShortRect second{0, 0, 0, 0};
    bool firstShown = Graphs && Graphs->IsViewShown(FirstView2D, &first);
    bool secondShown = Graphs && Graphs->IsViewShown(SecondView2D, &second);

    bool placed = false;
    if (editing && Hooks().allPointOrDataForms && Hooks().allPointOrDataForms(&Lines[currentLine], this)) {
        SetCurrentLinePicture(picture);
        placed = true;
    } else if (point) {
        if (firstShown && PointInShortRect(*point, first)) {
            Graphs->DropPicture(FirstView2D, picture, *point);
            placed = true;
        } else if (secondShown && PointInShortRect(*point, second)) {
            Graphs->DropPicture(SecondView2D, picture, *point);
            placed = true;
        }
    } else if (secondShown && secondViewLine) {
        Graphs->DropPicture(SecondView2D, picture, CentreOf(second));
        placed = true;
    } else if (firstShown && !(secondViewLine && viewLayout.secondViewShown && viewLayout.secondView3D)) {
        Graphs->DropPicture(FirstView2D, picture, CentreOf(first));
        placed = true;
    }
    if (!placed && editing && !(secondViewLine && secondShown))
        SetCurrentLinePicture(picture);
    if (documentReady && Hooks().updateGraphPaneCursor)
        Hooks().updateGraphPaneCursor();
}

void DocState::UpdateHasTranslucent()
{
    hasTranslucent = std::any_of(Lines.begin(), Lines.end(), [](const DocLine& line) {
        return line.kind == DocLineEquation && line.Opacity != 1;
    });
}

void DocState::UpdateHasPictures()
{
    hasPictures = std::any_of(Lines.begin(), Lines.end(), [](const DocLine& line) {
        return line.kind == DocLineEquation && line.picture;
    });
}

bool DocState::CanToggleTransparency() const
{
    if (!IsEditingEquation())
        return false;
    bool shows3D = viewLayout.firstView3D || (viewLayout.secondViewShown && viewLayout.secondView3D) ||
        viewLayout.view4D;
    return shows3D && Hooks().anySolidIn3D && Hooks().anySolidIn3D(&Lines[currentLine], const_cast<DocState*>(this));
}

bool DocState::CurrentLineHasResolution() const
{
    if (!IsEditingEquation())
        return false;
    const DocLine& line = Lines[currentLine];
    if (transform.kind == 2 && transform.line == &line)
        return true;
    return Graphs && line.graphs && Graphs->EquationHasResolution(line.graphs->storage, line.graphs->count);
}

bool DocState::AnyLineUsesSliderVariable() const
{
    return std::any_of(Lines.begin(), Lines.end(), [this](const DocLine& line) {
        return line.kind == DocLineEquation && line.formula && line.formula->root &&
            ContainsSymbol(line.formula->root, SliderVariable);
    });
}
