// The view settings a document file stores: the ranges, scales, boxes,
// cameras, spins, flags and placed pictures of the graph set's five views,
// and which views are shown. The graph set fills the two hooks at start-up
// and maps the record onto its views; until it does, the record is kept here
// so that a document still carries its view settings from read to write.
#pragma once

#include "CoreUtilities/GrowArray.h"
#include "CoreUtilities/MemoryBudget.h"

#include <cstdint>

struct DocState;

struct ValueRange {
    double minimum;
    double maximum;
};

// A picture placed in a 2D view at (x, y); the record owns the picture.
struct PlacedPictureRecord {
    GlobalHandle picture;
    double x;
    double y;
};

struct View2DSettings {
    ValueRange t{0, 1};
    ValueRange r{0, 2};
    ValueRange theta{0, 6.283185307179586};
    double unitsX = 0.25;
    double unitsY = 0.25;
    int32_t tickKindX = 1;
    int32_t tickKindY = 1;
    double xMin = -2;
    double yMin = -2;
    uint8_t showAxes = 1;
    uint8_t showGraphPaper = 1;
    GrowArray<PlacedPictureRecord> pictures;
};

struct View3DSettings {
    ValueRange t{0, 1};
    ValueRange u{0, 1};
    ValueRange v{0, 1};
    ValueRange r{0, 2};
    ValueRange theta{0, 6.283185307179586};
    ValueRange phi{0, 3.141592653589793};
    ValueRange box[3] = {{-2, 2}, {-2, 2}, {-2, 2}};
    uint8_t showAxes = 1;
    double zoom = 1.7330909743;
    double rotation[9];
    double spinSpeed = 0.8;
    double spinAxis[3] = {0, 0, 1};
};

struct View4DSettings {
    ValueRange t{0, 1};
    ValueRange u{0, 1};
    ValueRange v{0, 1};
    ValueRange box[4] = {{-2, 2}, {-2, 2}, {-2, 2}, {-2, 2}};
    uint8_t showXYPlane = 1;
    uint8_t showAxes = 1;
    double zoom = 1.77309;
    double rotation[16];
    double spinSpeed[2] = {0, 0};
    double spinAxis[2][3] = {{0, 0, 0}, {0, 0, 0}};
};

// Which view the graph set shows as its active view, and which as its second.
enum ActiveViewKind : int32_t { ActiveFirst2D = 0, ActiveFirst3D = 1, Active4D = 2 };
enum SecondViewKind : int32_t { SecondNone = 0, SecondView2DShown = 1, SecondView3DShown = 2 };

struct DocumentViewSettings {
    DocumentViewSettings();
    View2DSettings view2D[2];
    View3DSettings view3D[2];
    View4DSettings view4D;
    int32_t active = ActiveFirst2D;
    int32_t second = SecondNone;
};

// The default 3D orientation (a turn of 0.3 about z after -pi/6 about y) and
// the 4D identity, as the writer compares them.
extern const double kDefaultViewRotation3D[9];
extern const double kIdentityRotation4D[16];
// Every entry within 8 machine epsilons of the reference.
bool MatricesEqual3(const double* a, const double* b);
bool MatricesEqual4(const double* a, const double* b);

struct DocumentViewHooks {
    // Copies the views' settings into the record; the record's picture lists
    // borrow the views' pictures.
    void (*getViewSettings)(DocState* doc, DocumentViewSettings* settings) = nullptr;
    // Sets the views from the record, appending the record's pictures to
    // the views' (the views take them); the views are told their size again.
    void (*applyViewSettings)(DocState* doc, DocumentViewSettings* settings) = nullptr;
};
DocumentViewHooks& GetDocumentViewHooks();

// Through the hooks, or the record kept here when none is filled.
void GetViewSettings(DocState* doc, DocumentViewSettings* settings);
// Afterwards the record's picture lists are empty.
void ApplyViewSettings(DocState* doc, DocumentViewSettings* settings);
// The record kept here, for hooks that map only part of it onto views:
// read (the pictures borrowed), and replaced (taking the pictures).
void GetKeptViewSettings(DocumentViewSettings* settings);
void KeepViewSettings(DocumentViewSettings* settings);
// The kept record back to the defaults, its pictures freed.
void ResetKeptViewSettings();
// Frees the pictures the record owns and empties its lists.
void FreeViewPictures(DocumentViewSettings* settings);
