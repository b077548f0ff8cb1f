// The process-wide stack of growable byte buffers on which every text writer
// (formula text, picture text, documents, RTF, web pages) builds its output.
// User-interface thread only.
#pragma once

#include <cstdint>

struct TextBuffer {
    char* data;
    int32_t capacity;
    int32_t length;
    // A byte was dropped (no memory); the text is incomplete and must not be
    // taken for a whole one.
    bool failed;
};

// Two levels: a web page and, inside it, one formula's or document's text.
constexpr int kTextBufferLevels = 2;

struct TextBufferStack {
    TextBuffer levels[kTextBufferLevels];
    // Pushes not yet popped; levels beyond kTextBufferLevels hold nothing and
    // fail every byte.
    int32_t top;
};

extern TextBufferStack TheTextBufferStack;

constexpr int32_t kFirstTextBufferCapacity = 1024;

// Opens a new empty buffer on top. Polls ShouldAbortComputation for its side
// effects only; the push always goes ahead.
void PushTextBuffer();
// Appends one byte to the top buffer; false when it was dropped.
bool PutTextChar(char byte);
// Appends the bytes of a NUL-terminated string (the NUL excluded).
bool PutTextString(const char* text);
// Closes the top buffer and hands its bytes to the caller, who frees them
// with BudgetFree; they are NUL-terminated only if the caller put a 0.
// Answers null when any byte was dropped (the partial text is freed) or when
// no buffer is open. length (optional) receives the byte count.
char* PopTextBuffer(int32_t* length = nullptr);
