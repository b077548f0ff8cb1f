// A small surface made the drawing port, with its device context, for
// pixel-by-pixel tests of drawing.
#pragma once

#include "drawing/OffscreenSurface.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

class PortFixture : public testing::Test {
protected:
    void TearDown() override;

    // A width x height surface at the window's origin, filled, as the port with a DC.
    void MakePort(int width, int height, uint32_t fill = 0xFFFFFF);
    void Fill(uint32_t value);
    uint32_t& At(int x, int y);
    // Low 24 bits of a pixel.
    uint32_t Colour(int x, int y);
    // One string per row: '.' for `background`, 'x' for `ink`, '?' otherwise.
    std::vector<std::string> Picture(uint32_t ink, uint32_t background = 0xFFFFFF);

    OffscreenSurface* surface_ = nullptr;
};

// A surface placed at the rectangle; the caller disposes of it.
OffscreenSurface* MakeSurface(int top, int left, int bottom, int right);
