// Typing into an editor state as the equation pane would: each character of
// a text is one key, and a few bracketed names stand for the other keys.
#pragma once

#include <string>

struct EditorState;

// Keys: any character types itself; <L> <R> <U> <D> are the arrows, <T>
// Tab, <S-T> Shift+Tab, <S-L> <S-R> Shift+arrows, <BS> Backspace, <ESC>
// Escape, <C-x> Ctrl with a letter.
void TypeKeys(EditorState* state, const std::string& keys);
