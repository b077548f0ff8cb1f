// Painting pixels into a window. A window is painted only inside its paint
// handler: the handler opens a WindowPaintScope, and pixel painting for that
// window happens at once; for any other window it asks for a paint instead.
#pragma once

#include "platform/Region.h"
#include "platform/WindowHandle.h"

#include <cstdint>

class WindowPaintScope {
public:
    explicit WindowPaintScope(WindowHandle window);
    ~WindowPaintScope();
    WindowPaintScope(const WindowPaintScope&) = delete;
    WindowPaintScope& operator=(const WindowPaintScope&) = delete;

    struct Impl;

private:
    Impl* impl_;
};

// The window a WindowPaintScope paints now, or null.
WindowHandle WindowBeingPainted();

// Paints 32-bit pixels (width x height, rows rowBytes apart, bottom row
// first when bottomUp) at the window's top-left, in device pixels. With a
// views region, the rest of the width x height area is filled with the
// button-face colour and the pixels show only inside the region. Outside
// the window's paint handler it asks for a paint and answers false.
bool PaintPixelsToWindow(WindowHandle window, const uint8_t* pixels, int width, int height,
                         int rowBytes, bool bottomUp, Region views);
