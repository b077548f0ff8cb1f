// Editing the short texts of the panels' cells: keys, in-place edits held to
// a cell's length, paste and cut.
#pragma once

#include <cstddef>
#include <cstdint>

constexpr char16_t kPanelBackspace = 8;
constexpr char16_t kPanelTab = 9;
constexpr char16_t kPanelLeft = 28;
constexpr char16_t kPanelRight = 29;
constexpr char16_t kPanelUp = 30;
constexpr char16_t kPanelDown = 31;
// Characters a cell holds, its terminator not counted.
constexpr int32_t kPanelCellChars = 32;

// Digits, '.', the locale's separator, '-', Backspace, Tab and the arrows.
bool IsPanelKey(char16_t ch);
int32_t PanelTextLength(const char16_t* text);
// Backspace or a character applied at the selection between caret and
// anchor, the text kept within a cell's length; caret and anchor end
// together inside the text.
void EditPanelCellText(char16_t* text, int32_t& caret, int32_t& anchor, char16_t ch);
// Left or Right: a selection collapses to its start or end, a caret moves
// one character within the text.
void MovePanelCaret(char16_t key, int32_t& caret, int32_t& anchor, int32_t length);
// Inserts at most n units of the UTF-8 text (bytes that are no UTF-8 count
// one character each) at the position; never splits a surrogate pair.
// Answers the units inserted.
int32_t InsertBytesIntoWideText(int32_t n, char16_t* text, int32_t position, const char* bytes);
// Removes the units from start to end.
void DeleteWideTextRange(int32_t start, char16_t* text, int32_t end);
// The units from start to end as UTF-8 with a terminator, cut at capacity.
void CopyWideTextRange(const char16_t* text, int32_t start, int32_t end, char* out, size_t capacity);
