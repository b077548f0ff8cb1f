// Editor command codes that only move the caret.
#pragma once

#include <cstdint>

// 5632-5648, but not 5641 (Backspace).
bool IsCaretMoveCommand(int32_t command);
