#include "graphmodel/A4DGraphView.h"

#include "document/DocState.h"
#include "graphmodel/A3DGraphView.h"
#include "graphmodel/AGraph.h"
#include "graphmodel/GraphCodes.h"
#include "graphmodel/GraphServices.h"
#include "graphmodel/RenderContext.h"

#include <cmath>

A4DGraphView::A4DGraphView(RenderContext* context) : context(context)
{
    projection.owner = this;
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
    SetIdentityRotation();
    RotatePlane(97, -60);
    RotatePlane(96, 90);
    for (int i = 0; i < 3; ++i)
        spinAxis1[i] = spinAxis2[i] = 0;
    spinStep1 = spinStep2 = 0;
}

void A4DGraphView::SetIdentityRotation()
{
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j)
            rotation[i][j] = i == j;
    }
}

void A4DGraphView::StopSpin()
{
    spinStep1 = spinStep2 = 0;
    if (doc)
        doc->Clear4DRotation();
}

namespace {

struct PlaneSpin {
    int p, q;
    // The double rotation a turn in the plane decomposes into: both speeds
    // are the plane's, about these two axes.
    double axis1[3], axis2[3];
};

const PlaneSpin kPlanes[6] = {
    {0, 1, {-1, 0, 0}, {-1, 0, 0}}, {0, 2, {0, -1, 0}, {0, -1, 0}}, {0, 3, {0, 0, -1}, {0, 0, -1}},
    {1, 2, {0, 0, -1}, {0, 0, 1}},  {1, 3, {0, 1, 0}, {0, -1, 0}},  {2, 3, {-1, 0, 0}, {1, 0, 0}},
};

}  // namespace

void A4DGraphView::RotatePlane(int32_t code, double value)
{
    const bool spin = code >= 32 && code <= 37;
    const bool turn = code >= 96 && code <= 101;
    if (!spin && !turn)
        return;
    const PlaneSpin& plane = kPlanes[spin ? code - 32 : code - 96];
    if (spin)
        StopSpin();
    if (value == 0 || !std::isfinite(value))
        return;
    const double theta = value * M_PI / 360;
    if (spin) {
        for (int i = 0; i < 3; ++i) {
            spinAxis1[i] = plane.axis1[i];
            spinAxis2[i] = plane.axis2[i];
        }
        spinStep1 = spinStep2 = theta;
        return;
    }
    // rotation <- P x rotation: only rows p and q change.
    const double c = std::cos(theta), s = std::sin(theta);
    for (int j = 0; j < 4; ++j) {
        const double a = rotation[plane.p][j], b = rotation[plane.q][j];
        rotation[plane.p][j] = c * a + s * b;
        rotation[plane.q][j] = -s * a + c * b;
    }
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
    if (code == 6 && doc)
        ShellSetDocModified(true);
    SetDefaultView();
    if (code == 7) {
        showAxes = showGrid = 1;
        tMin = uMin = vMin = 0;
        tMax = uMax = vMax = 1;
    }
    RestartAllGraphs();
    DocResetRangePanel(doc);
}

void A4DGraphView::Scroll(int32_t, int32_t) {}

void A4DGraphView::SetGraphOption(int32_t code, double value, int32_t i)
{
    if (doc)
        ShellSetDocModified(true);
    if (i < 0 || i >= graphs.count || code < OptionColor || code > OptionResolution)
        return;
    graphs[i]->SetOption(code, value);
    if (code != OptionResolution)
        ShellRedrawGraphPane(doc);
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

namespace {

// The preset views of option 16: plane turns from the identity, in order.
struct PresetTurn {
    int32_t code;
    double value;
};

const struct {
    int32_t count;
    PresetTurn turns[6];
} kPresets[4] = {
    {2, {{97, -60}, {96, 90}}},
    {3, {{101, 540}, {98, -60}, {96, 90}}},
    {5, {{97, -60}, {96, 90}, {100, 540}, {97, 180}, {99, 360}}},
    {6, {{97, -60}, {96, 90}, {97, 180}, {101, 360}, {100, -180}, {96, -180}}},
};

}  // namespace

void A4DGraphView::ShowPreset(int32_t preset)
{
    if (preset < 4 || preset > 7)
        return;
    SetIdentityRotation();
    for (int32_t k = 0; k < kPresets[preset - 4].count; ++k)
        RotatePlane(kPresets[preset - 4].turns[k].code, kPresets[preset - 4].turns[k].value);
    StopSpin();
}

void A4DGraphView::SetViewOption(int32_t code, double value)
{
    // Uploads change nothing the user keeps.
    if (code < 5 || code > 7) {
        if (doc)
            ShellSetDocModified(true);
    }
    switch (code) {
    case 1: StopSpin(); break;
    case 5:
    case 6: SendOptionToAllGraphs(*this, code); break;
    case 7:
        SendOptionToAllGraphs(*this, OptionUploadMesh);
        SendOptionToAllGraphs(*this, OptionUploadProgress);
        break;
    case 14:
        showAxes = value != 0;
        ShellRedrawGraphPane(doc);
        break;
    case 15:
        showGrid = value != 0;
        ShellRedrawGraphPane(doc);
        break;
    case 16:
        if (value == 1 || value == 2)
            mouseMode = static_cast<int32_t>(value);
        else if (value >= 4 && value <= 7)
            ShowPreset(static_cast<int32_t>(value));
        break;
    default:
        if ((code >= 32 && code <= 37) || (code >= 96 && code <= 101)) {
            RotatePlane(code, value);
            ShellRedrawGraphPane(doc);
        }
        break;
    }
}
