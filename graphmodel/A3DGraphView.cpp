#include "graphmodel/A3DGraphView.h"

#include "graphmodel/AGraph.h"
#include "graphmodel/GraphCodes.h"
#include "graphmodel/GraphServices.h"
#include "graphmodel/RenderContext.h"

#include <cmath>

namespace {

constexpr double kSpinSpeed = 0.8;

void SetSpin(A3DGraphView& view, double x, double y, double z)
{
    view.spinAxis[0] = x;
    view.spinAxis[1] = y;
    view.spinAxis[2] = z;
    view.spinSpeed = kSpinSpeed;
}

}  // namespace

void DefaultViewRotation3D(double (&out)[3][3])
{
    const double cz = std::cos(0.3), sz = std::sin(0.3);
    const double cy = std::cos(-M_PI / 6), sy = std::sin(-M_PI / 6);
    const double z[3][3] = {{cz, sz, 0}, {-sz, cz, 0}, {0, 0, 1}};
    const double y[3][3] = {{cy, 0, sy}, {0, 1, 0}, {-sy, 0, cy}};
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j)
            out[i][j] = z[i][0] * y[0][j] + z[i][1] * y[1][j] + z[i][2] * y[2][j];
    }
}

void SendOptionToAllGraphs(AGraphView& view, int32_t code)
{
    for (AGraph* graph : view.graphs)
        graph->SetOption(code, 0);
}

void SetNoHitRegion(Region r)
{
    SetRegionEmpty(r);
}

A3DGraphView::A3DGraphView(RenderContext* context) : context(context)
{
    SetDefaultView();
}

A3DGraphView::~A3DGraphView()
{
    // The graphs draw through the context: they go first.
    DeleteGraphs(graphs);
    delete context;
}

void A3DGraphView::SetDefaultView()
{
    zoom = 1.7330909743;
    xMin = yMin = zMin = -2;
    xMax = yMax = zMax = 2;
    rMin = 0;
    rMax = 2;
    thetaMin = 0;
    thetaMax = 2 * M_PI;
    phiMin = 0;
    phiMax = M_PI;
    DefaultViewRotation3D(rotation);
    SetViewOption(4);
}

void A3DGraphView::CopyCameraFrom(const A3DGraphView& other)
{
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j)
            rotation[i][j] = other.rotation[i][j];
        spinAxis[i] = other.spinAxis[i];
    }
    xMin = other.xMin, xMax = other.xMax;
    yMin = other.yMin, yMax = other.yMax;
    zMin = other.zMin, zMax = other.zMax;
    zoom = other.zoom;
    depthRadius = other.depthRadius;
    tMin = other.tMin, tMax = other.tMax;
    uMin = other.uMin, uMax = other.uMax;
    vMin = other.vMin, vMax = other.vMax;
    rMin = other.rMin, rMax = other.rMax;
    thetaMin = other.thetaMin, thetaMax = other.thetaMax;
    phiMin = other.phiMin, phiMax = other.phiMax;
    spinSpeed = other.spinSpeed;
}

void A3DGraphView::ConfigureRenderContext()
{
    if (rect.right <= rect.left)
        rect.right = static_cast<int16_t>(rect.left + 1);
    if (rect.bottom <= rect.top)
        rect.bottom = static_cast<int16_t>(rect.top + 1);
}

bool A3DGraphView::UsesGLChildWindow()
{
    return context && context->GetMode() == RenderModeGLWindow;
}

void A3DGraphView::Draw(uint8_t) {}

void A3DGraphView::Zoom(int32_t code)
{
    if (code != 6 && code != 7)
        return;
    SetDefaultView();
    RestartAllGraphs();
    DocResetRangePanel(doc);
    if (code == 7) {
        showAxes = 1;
        tMin = uMin = vMin = 0;
        tMax = uMax = vMax = 1;
    }
}

void A3DGraphView::Scroll(int32_t, int32_t dy)
{
    spinSpeed = dy / 5.0;
}

void A3DGraphView::SetGraphOption(int32_t code, double value, int32_t i)
{
    if (doc && !(code == OptionColor && value == 999))
        ShellSetDocModified(true);
    if (i < 0 || i >= graphs.count)
        return;
    switch (code) {
    case OptionPlottingMode:
    case OptionColor:
    case OptionOpacity:
    case OptionVectorLength:
        graphs[i]->SetOption(code, value);
        ShellInvalidateGraphPane(doc);
        break;
    case OptionResolution:
        graphs[i]->SetOption(code, value);
        break;
    default:
        break;
    }
}

void A3DGraphView::GetAxisHitRegion(Region r, int32_t)
{
    SetNoHitRegion(r);
}

void A3DGraphView::GetGraphHitRegion(Region r, int32_t, ShortPoint)
{
    SetNoHitRegion(r);
}

void A3DGraphView::GetPictureRegion(Region r)
{
    SetNoHitRegion(r);
}

bool A3DGraphView::MouseDown(const ViewMouseEvent&)
{
    return false;
}

void A3DGraphView::SetViewOption(int32_t code, double)
{
    switch (code) {
    case 5:
    case 6:
        SendOptionToAllGraphs(*this, code);
        return;
    case 7:
        SendOptionToAllGraphs(*this, OptionUploadMesh);
        SendOptionToAllGraphs(*this, OptionUploadProgress);
        return;
    default:
        break;
    }
    if (doc)
        ShellSetDocModified(true);
    switch (code) {
    case 1: spinSpeed = 0; break;
    case 2: SetSpin(*this, 1, 0, 0); break;
    case 3: SetSpin(*this, 0, 1, 0); break;
    case 4: SetSpin(*this, 0, 0, -1); break;
    case 17: showAxes = !showAxes; break;
    default: break;
    }
}
