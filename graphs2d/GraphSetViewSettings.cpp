#include "graphs2d/GraphSetViewSettings.h"

#include "document/DocState.h"
#include "document/DocumentViewSettings.h"
#include "graphmodel/A3DGraphView.h"
#include "graphmodel/A4DGraphView.h"
#include "graphs2d/A2DGraphView.h"
#include "graphs2d/GraphSet.h"

#include <cmath>

namespace {

GraphSet* SetOf(DocState* doc)
{
    return dynamic_cast<GraphSet*>(doc ? doc->Graphs : nullptr);
}

bool IsTickKind(int32_t kind)
{
    return kind == TickKind1 || kind == TickKind2 || kind == TickKind5;
}

bool IsUnit(double units)
{
    return std::isfinite(units) && units > 0;
}

bool IsRange(const ValueRange& r)
{
    return std::isfinite(r.minimum) && std::isfinite(r.maximum);
}

// A box side must have room to draw in.
bool IsBoxSide(const ValueRange& r)
{
    return IsRange(r) && r.minimum < r.maximum;
}

// Rows of unit length at right angles: anything else would shear the
// picture.
bool IsRotation3(const double* m)
{
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j) {
            const double dot = m[3 * i] * m[3 * j] + m[3 * i + 1] * m[3 * j + 1] + m[3 * i + 2] * m[3 * j + 2];
            if (!(std::fabs(dot - (i == j ? 1 : 0)) < 1e-6))
                return false;
        }
    }
    return true;
}

void TakeRange(const ValueRange& r, double& minimum, double& maximum)
{
    if (IsRange(r)) {
        minimum = r.minimum;
        maximum = r.maximum;
    }
}

int32_t ActiveKind(const GraphSet& set)
{
    if (set.active && set.active == set.view4D)
        return Active4D;
    if (set.active && set.active == set.views3D[0])
        return ActiveFirst3D;
    return ActiveFirst2D;
}

int32_t SecondKind(const GraphSet& set)
{
    if (!set.second)
        return SecondNone;
    return set.second == set.views3D[1] ? SecondView3DShown : SecondView2DShown;
}

void Get2D(const A2DGraphView& view, View2DSettings& s)
{
    s.t = {view.tMin, view.tMax};
    s.r = {view.rMin, view.rMax};
    s.theta = {view.thetaMin, view.thetaMax};
    s.xMin = view.xMin;
    s.yMin = view.yMin;
    s.unitsX = view.unitsX;
    s.unitsY = view.unitsY;
    s.tickKindX = view.tickKindX;
    s.tickKindY = view.tickKindY;
    s.showAxes = view.showAxes;
    s.showGraphPaper = view.showGraphPaper;
    // Borrowed: the view keeps its pictures.
    s.pictures = view.pictures.entries;
}

void Get3D(const A3DGraphView& view, View3DSettings& s)
{
    s.t = {view.tMin, view.tMax};
    s.u = {view.uMin, view.uMax};
    s.v = {view.vMin, view.vMax};
    s.r = {view.rMin, view.rMax};
    s.theta = {view.thetaMin, view.thetaMax};
    s.phi = {view.phiMin, view.phiMax};
    s.box[0] = {view.xMin, view.xMax};
    s.box[1] = {view.yMin, view.yMax};
    s.box[2] = {view.zMin, view.zMax};
    s.showAxes = view.showAxes;
    s.zoom = view.zoom;
    for (int i = 0; i < 9; ++i)
        s.rotation[i] = view.rotation[i / 3][i % 3];
    s.spinSpeed = view.spinSpeed;
    for (int i = 0; i < 3; ++i)
        s.spinAxis[i] = view.spinAxis[i];
}

void Get4D(const A4DGraphView& view, View4DSettings& s)
{
    s.t = {view.tMin, view.tMax};
    s.u = {view.uMin, view.uMax};
    s.v = {view.vMin, view.vMax};
    s.box[0] = {view.xMin, view.xMax};
    s.box[1] = {view.yMin, view.yMax};
    s.box[2] = {view.zMin, view.zMax};
    s.box[3] = {view.wMin, view.wMax};
    s.showXYPlane = view.showGrid;
    s.showAxes = view.showAxes;
    s.zoom = view.zoom;
    for (int i = 0; i < 16; ++i)
        s.rotation[i] = view.rotation[i / 4][i % 4];
    s.spinSpeed[0] = view.spinStep1;
    s.spinSpeed[1] = view.spinStep2;
    for (int i = 0; i < 3; ++i) {
        s.spinAxis[0][i] = view.spinAxis1[i];
        s.spinAxis[1][i] = view.spinAxis2[i];
    }
}

// A file's values are checked: a view keeps its own where they could not
// draw.
void Apply2D(View2DSettings& s, A2DGraphView& view)
{
    TakeRange(s.t, view.tMin, view.tMax);
    TakeRange(s.r, view.rMin, view.rMax);
    TakeRange(s.theta, view.thetaMin, view.thetaMax);
    if (std::isfinite(s.xMin) && std::isfinite(s.yMin)) {
        view.xMin = s.xMin;
        view.yMin = s.yMin;
    }
    if (IsUnit(s.unitsX) && IsTickKind(s.tickKindX)) {
        view.unitsX = s.unitsX;
        view.tickKindX = s.tickKindX;
    }
    if (IsUnit(s.unitsY) && IsTickKind(s.tickKindY)) {
        view.unitsY = s.unitsY;
        view.tickKindY = s.tickKindY;
    }
    view.showAxes = s.showAxes != 0;
    view.showGraphPaper = s.showGraphPaper != 0;
    // The view takes the pictures; one it has no room for is freed.
    for (const PlacedPictureRecord& placed : s.pictures) {
        if (view.pictures.Push(placed) != 0)
            FreeGlobalHandle(placed.picture);
    }
    s.pictures.Clear();
    view.Resized();
}

void Apply3D(const View3DSettings& s, A3DGraphView& view)
{
    TakeRange(s.t, view.tMin, view.tMax);
    TakeRange(s.u, view.uMin, view.uMax);
    TakeRange(s.v, view.vMin, view.vMax);
    TakeRange(s.r, view.rMin, view.rMax);
    TakeRange(s.theta, view.thetaMin, view.thetaMax);
    TakeRange(s.phi, view.phiMin, view.phiMax);
    double* sides[3][2] = {{&view.xMin, &view.xMax}, {&view.yMin, &view.yMax}, {&view.zMin, &view.zMax}};
    for (int i = 0; i < 3; ++i) {
        if (IsBoxSide(s.box[i])) {
            *sides[i][0] = s.box[i].minimum;
            *sides[i][1] = s.box[i].maximum;
        }
    }
    view.showAxes = s.showAxes != 0;
    if (IsUnit(s.zoom))
        view.zoom = s.zoom;
    if (IsRotation3(s.rotation)) {
        for (int i = 0; i < 9; ++i)
            view.rotation[i / 3][i % 3] = s.rotation[i];
    }
    const double* axis = s.spinAxis;
    const double length = std::sqrt(axis[0] * axis[0] + axis[1] * axis[1] + axis[2] * axis[2]);
    if (std::isfinite(s.spinSpeed) && std::isfinite(length) && length > 0) {
        view.spinSpeed = s.spinSpeed;
        for (int i = 0; i < 3; ++i)
            view.spinAxis[i] = axis[i];
    }
    // Graphs computed for the old box or ranges are out of date.
    view.RestartAllGraphs();
}

bool IsRotation4(const double* m)
{
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j) {
            double dot = 0;
            for (int k = 0; k < 4; ++k)
                dot += m[4 * i + k] * m[4 * j + k];
            if (!(std::fabs(dot - (i == j ? 1 : 0)) < 1e-6))
                return false;
        }
    }
    return true;
}

bool IsAxis(const double* axis)
{
    const double length = std::sqrt(axis[0] * axis[0] + axis[1] * axis[1] + axis[2] * axis[2]);
    return std::isfinite(length) && length > 0;
}

bool SameRange(const ValueRange& a, const ValueRange& b)
{
    return a.minimum == b.minimum && a.maximum == b.maximum;
}

bool IsDefault4D(const View4DSettings& s)
{
    const View4DSettings d{};
    bool same = SameRange(s.t, d.t) && SameRange(s.u, d.u) && SameRange(s.v, d.v) && s.zoom == d.zoom &&
                s.showXYPlane == d.showXYPlane && s.showAxes == d.showAxes && s.spinSpeed[0] == d.spinSpeed[0] &&
                s.spinSpeed[1] == d.spinSpeed[1] && MatricesEqual4(s.rotation, kIdentityRotation4D);
    for (int i = 0; i < 4; ++i)
        same = same && SameRange(s.box[i], d.box[i]);
    return same;
}

void Apply4D(const View4DSettings& s, A4DGraphView& view)
{
    TakeRange(s.t, view.tMin, view.tMax);
    TakeRange(s.u, view.uMin, view.uMax);
    TakeRange(s.v, view.vMin, view.vMax);
    double* sides[4][2] = {
        {&view.xMin, &view.xMax}, {&view.yMin, &view.yMax}, {&view.zMin, &view.zMax}, {&view.wMin, &view.wMax}};
    for (int i = 0; i < 4; ++i) {
        if (IsBoxSide(s.box[i])) {
            *sides[i][0] = s.box[i].minimum;
            *sides[i][1] = s.box[i].maximum;
        }
    }
    view.showGrid = s.showXYPlane != 0;
    view.showAxes = s.showAxes != 0;
    if (IsUnit(s.zoom))
        view.zoom = s.zoom;
    if (IsRotation4(s.rotation)) {
        for (int i = 0; i < 16; ++i)
            view.rotation[i / 4][i % 4] = s.rotation[i];
    }
    // The spin is stored only while it runs; a speed needs its two axes.
    view.spinStep1 = view.spinStep2 = 0;
    const bool spins = s.spinSpeed[0] != 0 || s.spinSpeed[1] != 0;
    if (spins && std::isfinite(s.spinSpeed[0]) && std::isfinite(s.spinSpeed[1]) && IsAxis(s.spinAxis[0]) &&
        IsAxis(s.spinAxis[1])) {
        view.spinStep1 = s.spinSpeed[0];
        view.spinStep2 = s.spinSpeed[1];
        for (int i = 0; i < 3; ++i) {
            view.spinAxis1[i] = s.spinAxis[0][i];
            view.spinAxis2[i] = s.spinAxis[1][i];
        }
    }
    view.UpdateProjection();
    view.RestartAllGraphs();
}

void GetSettings(DocState* doc, DocumentViewSettings* settings)
{
    GetKeptViewSettings(settings);
    GraphSet* set = SetOf(doc);
    if (!set || !set->HasViews())
        return;
    for (int i = 0; i < 2; ++i) {
        Get2D(*set->views2D[i], settings->view2D[i]);
        Get3D(*set->views3D[i], settings->view3D[i]);
    }
    Get4D(*set->view4D, settings->view4D);
    // What is written follows what the pane shows, not what the file said;
    // with nothing graphed (graphing off) the pane has chosen no view yet.
    if (set->equationGraphs.count > 0) {
        settings->active = ActiveKind(*set);
        settings->second = SecondKind(*set);
    }
}

void ApplySettings(DocState* doc, DocumentViewSettings* settings)
{
    if (GraphSet* set = SetOf(doc); set && set->HasViews()) {
        for (int i = 0; i < 2; ++i) {
            Apply2D(settings->view2D[i], *set->views2D[i]);
            Apply3D(settings->view3D[i], *set->views3D[i]);
        }
        // A file stores the 4D view only while it is shown, and then only
        // what differs from the record's defaults: a file without any
        // leaves the view as it stands.
        if (!IsDefault4D(settings->view4D))
            Apply4D(settings->view4D, *set->view4D);
    }
    KeepViewSettings(settings);
}

}  // namespace

void RegisterViewSettingsHooks()
{
    DocumentViewHooks& hooks = GetDocumentViewHooks();
    hooks.getViewSettings = &GetSettings;
    hooks.applyViewSettings = &ApplySettings;
}
