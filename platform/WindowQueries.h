// What the engine asks of windows and input: key states, the mouse capture,
// the cursor position, client areas and visibility.
#pragma once

#include "CoreUtilities/ShortRect.h"
#include "platform/WindowHandle.h"

#include <cstdint>

enum class ModifierKey : uint8_t { Alt = 1, Control = 2, Shift = 4 };

// The keys held down now.
bool IsModifierDown(ModifierKey key);
// Replaces where key states come from (null: the keyboard): a mask of
// ModifierKey bits. Tests hold keys with it.
using ModifierSource = uint32_t (*)();
void SetModifierSource(ModifierSource source);

// The window that holds the mouse capture, or null.
WindowHandle GetCaptureWindow();
// Positions and sizes are in the window's device pixels, the pixels of the
// surfaces drawn for it (its logical size times its device pixel ratio).
// The cursor position in the window's client coordinates; false without a window.
bool GetCursorPositionIn(WindowHandle window, ShortPoint& out);
// {0, 0, height, width} of the window's client area; empty without a window.
ShortRect GetWindowClientRect(WindowHandle window);
bool IsWindowMinimised(WindowHandle window);
// Shown on screen with a client area that is not empty.
bool IsWindowShownWithArea(WindowHandle window);
