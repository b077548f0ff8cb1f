#include "graphmodel/A4DGraphView.h"

#include "graphmodel/A3DGraphView.h"
#include "graphmodel/AGraph.h"
#include "graphmodel/GraphCodes.h"
#include "graphmodel/GraphServices.h"
#include "graphmodel/RenderContext.h"

A4DGraphView::A4DGraphView(RenderContext* context) : context(context)
{
    SetDefaultView();
}

A4DGraphView::~A4DGraphView()
{
    DeleteGraphs(graphs);
    delete context;
}

void A4DGraphView::SetDefaultView()
{
    zoom = 1.7330909743;
    xMin = yMin = zMin = wMin = -2;
    xMax = yMax = zMax = wMax = 2;
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j)
            rotation[i][j] = i == j;
    }
    for (int i = 0; i < 3; ++i)
        spinAxis1[i] = spinAxis2[i] = 0;
    spinStep1 = spinStep2 = 0;
}

void A4DGraphView::UpdateProjection() {}

bool A4DGraphView::UsesGLChildWindow()
{
    return context && context->GetMode() == RenderModeGLWindow;
}

void A4DGraphView::Draw(uint8_t) {}

void A4DGraphView::Zoom(int32_t code)
{
    if (code != 6 && code != 7)
        return;
    SetDefaultView();
    RestartAllGraphs();
    DocResetRangePanel(doc);
}

void A4DGraphView::Scroll(int32_t, int32_t) {}

void A4DGraphView::SetGraphOption(int32_t code, double value, int32_t i)
{
    if (i < 0 || i >= graphs.count)
        return;
    graphs[i]->SetOption(code, value);
    if (code != OptionResolution)
        ShellInvalidateGraphPane(doc);
}

void A4DGraphView::GetAxisHitRegion(Region r, int32_t)
{
    SetNoHitRegion(r);
}

void A4DGraphView::GetGraphHitRegion(Region r, int32_t, ShortPoint)
{
    SetNoHitRegion(r);
}

void A4DGraphView::GetPictureRegion(Region r)
{
    SetNoHitRegion(r);
}

bool A4DGraphView::MouseDown(const ViewMouseEvent&)
{
    return false;
}

void A4DGraphView::SetViewOption(int32_t code, double value)
{
    switch (code) {
    case 1: spinStep1 = spinStep2 = 0; break;
    case 5:
    case 6: SendOptionToAllGraphs(*this, code); break;
    case 7:
        SendOptionToAllGraphs(*this, OptionUploadMesh);
        SendOptionToAllGraphs(*this, OptionUploadProgress);
        break;
    case 14: showAxes = !showAxes; break;
    case 15: showGrid = !showGrid; break;
    case 16:
        if (value == 1 || value == 2)
            mouseMode = static_cast<int32_t>(value);
        break;
    default: break;
    }
}
