// The colour palette popup of the equation pane: pressing a line's swatch
// opens a row of swatches there (the eight colours and the hidden colour,
// and for surfaces shown in space the seven patterns as well), the held
// pointer picks one, and the release gives the line that colour. The open
// palette is part of the pane's picture: each repaint draws it with the
// choice under the pointer framed, so tracking only changes the state and
// asks for a repaint. User-interface thread.
#pragma once

#include "CoreUtilities/ShortRect.h"

#include <cstdint>

struct DocState;

// Swatches one after the other, 20 pixels apart.
constexpr int32_t kPaletteStep = 20;

// The number of choices: 9, or 16 with the patterns.
int32_t PaletteChoiceCount(bool extended);
// The colour code swatch i (1 .. count) shows: 1-8, the patterns 10-16,
// and the hidden colour 17 last.
int32_t PaletteChoiceCode(int32_t choice, bool extended);
// The choice that stands for a line's colour code (0 for a picture); 0,
// which keeps the line as it is, for a code the palette does not offer.
int32_t InitialPaletteChoice(double colorCode, bool extended);
// The choice under the point, 0 when it is away from the palette.
int32_t PaletteChoiceAt(ShortPoint point, int32_t top, int32_t left, int32_t choices);
// The colour code a released choice gives; 0 for none.
int32_t PaletteChoiceColorCode(int32_t choice, bool extended);

// Opens the palette over the swatch whose top-left corner is (top, left).
void OpenColorPalette(double colorCode, bool extended, int32_t top, int32_t left, int32_t line);
bool IsColorPaletteOpen();
// The palette into the current port; with a device context.
void DrawColorPalette(int32_t top, int32_t left, bool extended);
void FrameColorPaletteChoice(int32_t top, int32_t choice, int32_t left);
// The open palette as the pane's drawing shows it: its swatches, the line's
// own choice framed thin and the one under the pointer framed wide.
void DrawOpenColorPalette();
// The pointer moved with the button held: the current choice (the initial
// one away from the palette); true when the highlighted choice changed.
bool TrackColorPalette(ShortPoint point);
// The release: the line takes the current choice's colour and the palette
// closes.
void ApplyColorPaletteChoice(DocState* doc);
