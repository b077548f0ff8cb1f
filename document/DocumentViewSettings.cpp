#include "document/DocumentViewSettings.h"

#include "CoreUtilities/PictureHandle.h"

#include <algorithm>
#include <cmath>

const double kDefaultViewRotation3D[9] = {
    0.82734566874501092,  0.29552020666133955, -0.47766824456280293,
    -0.25592800630034734, 0.95533648912560598, 0.14776010333066975,
    0.49999999999999994,  0,                   0.86602540378443871,
};

const double kIdentityRotation4D[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};

namespace {

constexpr double kMatrixTolerance = 8 * 2.220446049250313e-16;

// Without a graph set the settings live here, one document per process.
DocumentViewSettings& KeptSettings()
{
    static DocumentViewSettings kept;
    return kept;
}

// Copies every field; the target's picture lists borrow the source's.
void CopySettings(DocumentViewSettings* to, const DocumentViewSettings& from)
{
    for (int i = 0; i < 2; ++i) {
        GrowArray<PlacedPictureRecord> kept = to->view2D[i].pictures;
        to->view2D[i] = from.view2D[i];
        to->view2D[i].pictures = kept;
    }
    for (int i = 0; i < 2; ++i)
        to->view3D[i] = from.view3D[i];
    to->view4D = from.view4D;
    to->active = from.active;
    to->second = from.second;
}

}  // namespace

DocumentViewSettings::DocumentViewSettings()
{
    for (View3DSettings& view : view3D)
        std::copy(std::begin(kDefaultViewRotation3D), std::end(kDefaultViewRotation3D), view.rotation);
    std::copy(std::begin(kIdentityRotation4D), std::end(kIdentityRotation4D), view4D.rotation);
}

namespace {

bool EntriesClose(const double* a, const double* b, int32_t count)
{
    for (int32_t i = 0; i < count; ++i) {
        if (!(std::fabs(a[i] - b[i]) <= kMatrixTolerance))
            return false;
    }
    return true;
}

}  // namespace

bool MatricesEqual3(const double* a, const double* b)
{
    return EntriesClose(a, b, 9);
}

bool MatricesEqual4(const double* a, const double* b)
{
    return EntriesClose(a, b, 16);
}

DocumentViewHooks& GetDocumentViewHooks()
{
    static DocumentViewHooks hooks;
    return hooks;
}

void GetViewSettings(DocState* doc, DocumentViewSettings* settings)
{
    if (const DocumentViewHooks& hooks = GetDocumentViewHooks(); hooks.getViewSettings) {
        hooks.getViewSettings(doc, settings);
        return;
    }
    GetKeptViewSettings(settings);
}

void GetKeptViewSettings(DocumentViewSettings* settings)
{
    const DocumentViewSettings& kept = KeptSettings();
    CopySettings(settings, kept);
    for (int i = 0; i < 2; ++i)
        settings->view2D[i].pictures = kept.view2D[i].pictures;
}

void ApplyViewSettings(DocState* doc, DocumentViewSettings* settings)
{
    if (const DocumentViewHooks& hooks = GetDocumentViewHooks(); hooks.applyViewSettings) {
        hooks.applyViewSettings(doc, settings);
    } else {
        KeepViewSettings(settings);
    }
    for (View2DSettings& view : settings->view2D)
        view.pictures.Clear();
}

void KeepViewSettings(DocumentViewSettings* settings)
{
    DocumentViewSettings& kept = KeptSettings();
    CopySettings(&kept, *settings);
    for (int i = 0; i < 2; ++i) {
        for (const PlacedPictureRecord& placed : settings->view2D[i].pictures) {
            if (kept.view2D[i].pictures.Push(placed) != 0)
                FreeGlobalHandle(placed.picture);
        }
        settings->view2D[i].pictures.Clear();
    }
}

void FreeViewPictures(DocumentViewSettings* settings)
{
    for (View2DSettings& view : settings->view2D) {
        for (const PlacedPictureRecord& placed : view.pictures)
            FreeGlobalHandle(placed.picture);
        view.pictures.Clear();
    }
}

void ResetKeptViewSettings()
{
    DocumentViewSettings& kept = KeptSettings();
    FreeViewPictures(&kept);
    CopySettings(&kept, DocumentViewSettings());
}
