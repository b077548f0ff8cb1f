#include "editor/ColorPalette.h"

#include "document/DocState.h"
#include "document/DocumentGraphSet.h"
#include "document/DocumentHooks.h"
#include "document/GraphOptions.h"
#include "drawing/DrawingPort.h"
#include "graphmodel/AGraphColor.h"

#include <cmath>

namespace {

constexpr int32_t kHiddenCode = 17;
constexpr int32_t kPlainCount = 8;
constexpr int32_t kExtendedCount = 15;
// How far around the palette the pointer still picks a swatch.
constexpr int32_t kTrackMargin = 15;

// One popup at a time.
struct PaletteState {
    int32_t top = 0;
    int32_t left = 0;
    bool extended = false;
    int32_t line = -1;
    int32_t initialChoice = 0;
    int32_t choices = 0;
};

PaletteState Popup;

int32_t CountOf(bool extended)
{
    return extended ? kExtendedCount : kPlainCount;
}

}  // namespace

int32_t PaletteChoiceCount(bool extended)
{
    return CountOf(extended) + 1;
}

int32_t PaletteChoiceCode(int32_t choice, bool extended)
{
    const int32_t count = CountOf(extended);
    if (choice < 1 || choice > count + 1)
        return 0;
    if (choice == count + 1)
        return kHiddenCode;
    return choice <= 8 ? choice : choice + 1;
}

int32_t InitialPaletteChoice(double colorCode, bool extended)
{
    // A code from a file may be anything: only whole codes the palette
    // offers have a choice.
    if (!(colorCode >= 0 && colorCode <= kHiddenCode))
        return 0;
    const int32_t c = static_cast<int32_t>(colorCode);
    int32_t choice = c;
    if (c == kHiddenCode)
        choice = PaletteChoiceCount(extended);
    else if (c > 9)
        choice = c - 1;
    return choice >= 1 && choice <= PaletteChoiceCount(extended) ? choice : 0;
}

int32_t PaletteChoiceAt(ShortPoint point, int32_t top, int32_t left, int32_t choices)
{
    if (point.v < top - kTrackMargin || point.v > top + 35 || point.h < left - kTrackMargin ||
        point.h > left + kPaletteStep * choices + kTrackMargin)
        return 0;
    int32_t choice = point.h < left ? 1 : (point.h - left) / kPaletteStep + 1;
    if (choice < 1)
        choice = 1;
    if (choice > choices)
        choice = choices;
    return choice;
}

int32_t PaletteChoiceColorCode(int32_t choice, bool extended)
{
    if (choice < 1 || choice > PaletteChoiceCount(extended))
        return 0;
    int32_t code = choice > 8 ? choice + 1 : choice;
    if (!extended && code == 10)
        code = kHiddenCode;
    return code;
}

void OpenColorPalette(double colorCode, bool extended, int32_t top, int32_t left, int32_t line)
{
    DocState* doc = GetDocState();
    Popup.top = top;
    Popup.left = left;
    Popup.extended = extended;
    Popup.line = line;
    Popup.initialChoice = InitialPaletteChoice(colorCode, extended);
    Popup.choices = PaletteChoiceCount(extended);
    doc->paletteChoice = 1;
    doc->paletteHighlight = 0;
    doc->paletteLine = line + 1;
}

bool IsColorPaletteOpen()
{
    return GetDocState()->paletteLine != 0;
}

void DrawColorPalette(int32_t top, int32_t left, bool extended)
{
    const int32_t count = CountOf(extended);
    ShortRect frame;
    SetShortRect(frame, top - 4, left, top + 20, left + kPaletteStep * count + 24);
    PortPenNormal();
    PortSetPenSize(1);
    PortSetDefaultColors();
    PortSetWhiteBackColor();
    PortEraseRect(frame);
    PortFrameRect(frame);
    // A one-pixel shadow along the bottom and down the right.
    PortMoveTo(left + 2, frame.bottom);
    PortLineTo(frame.right, frame.bottom);
    PortLineTo(frame.right, top - 2);
    for (int32_t i = 1; i <= count + 1; ++i) {
        ShortRect swatch;
        SetShortRect(swatch, top, left + kPaletteStep * i - 16, top + 16, left + kPaletteStep * i);
        AGraphColor colour(nullptr, GetDocState());
        colour.SetColorCode(PaletteChoiceCode(i, extended));
        colour.DrawSwatch(swatch);
        PortSetDefaultColors();
        PortFrameRect(swatch);
    }
}

void FrameColorPaletteChoice(int32_t top, int32_t choice, int32_t left)
{
    if (choice <= 0)
        return;
    ShortRect r;
    SetShortRect(r, top - 2, left + kPaletteStep * choice - 18, top + 18, left + kPaletteStep * choice + 2);
    PortFrameRect(r);
}

void DrawOpenColorPalette()
{
    DocState* doc = GetDocState();
    if (doc->paletteLine == 0)
        return;
    DrawColorPalette(Popup.top, Popup.left, Popup.extended);
    PortSetDefaultColors();
    PortSetPenSize(1);
    FrameColorPaletteChoice(Popup.top, Popup.initialChoice, Popup.left);
    if (doc->paletteHighlight != 0) {
        PortSetPenSize(2);
        FrameColorPaletteChoice(Popup.top, doc->paletteHighlight, Popup.left);
        PortSetPenSize(1);
    }
}

bool TrackColorPalette(ShortPoint point)
{
    DocState* doc = GetDocState();
    if (doc->paletteLine == 0)
        return false;
    int32_t choice = PaletteChoiceAt(point, Popup.top, Popup.left, Popup.choices);
    if (choice == 0)
        choice = Popup.initialChoice;
    doc->paletteChoice = choice;
    if (choice == doc->paletteHighlight)
        return false;
    doc->paletteHighlight = choice;
    return true;
}

void ApplyColorPaletteChoice(DocState* doc)
{
    PortPenNormal();
    PortSetPenSize(1);
    const int32_t line = doc->paletteLine - 1;
    const int32_t code = PaletteChoiceColorCode(doc->paletteChoice, Popup.extended);
    doc->paletteLine = 0;
    doc->paletteHighlight = 0;
    if (code == 0 || line < 0 || line >= doc->Lines.count)
        return;
    DocLine& target = doc->Lines[line];
    // A picture line becomes a coloured line.
    FreeGlobalHandle(target.picture);
    target.picture = nullptr;
    target.Color = code;
    if (GetDocumentHooks().setDocModified)
        GetDocumentHooks().setDocModified(true);
    if (doc->Graphs && target.graphs) {
        for (int32_t row : *target.graphs)
            doc->Graphs->SetEquationOption(row, OptionColor, code);
    }
    doc->SetGraphWorkPending();
}
