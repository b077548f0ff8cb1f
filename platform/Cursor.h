// Mouse cursors: the program's own cursor images by resource number and the
// system's arrow, and the cursor shown now.
#pragma once

#include "platform/WindowHandle.h"

#include <cstdint>

struct CursorData;
using CursorHandle = CursorData*;

// The program's cursors, drawn by the program itself.
constexpr int32_t kMoveCursorId = 136;       // four-way arrows
constexpr int32_t kOpenHandCursorId = 139;
constexpr int32_t kClosedHandCursorId = 140;
constexpr int32_t kUpDownCursorId = 30981;

// The cursor of that number, made once and kept for the run; null for a
// number the program has no cursor for.
CursorHandle LoadCursorResource(int32_t id);
CursorHandle LoadArrowCursor();
// Makes the cursor the window's own, shown while the mouse is over it (a
// dialog above it keeps its cursor); answers the cursor set before. A null
// window or cursor changes no window.
CursorHandle SetCursor(WindowHandle window, CursorHandle cursor);
// The cursor set last.
CursorHandle GetCursor();
