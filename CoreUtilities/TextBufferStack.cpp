#include "CoreUtilities/TextBufferStack.h"

#include "CoreUtilities/MemoryBudget.h"

#include <cstdint>

TextBufferStack TheTextBufferStack = {{}, -1};

namespace {

TextBuffer* TopBuffer()
{
    TextBufferStack& stack = TheTextBufferStack;
    if (stack.top < 0 || stack.top >= kTextBufferLevels)
        return nullptr;
    return &stack.levels[stack.top];
}

// Doubles the buffer (or gives it its first block); false when the budget
// refuses or the capacity would no longer fit its 32-bit field.
bool GrowTextBuffer(TextBuffer& buffer)
{
    int64_t wanted = buffer.capacity > 0 ? int64_t{buffer.capacity} * 2 : kFirstTextBufferCapacity;
    if (wanted > INT32_MAX)
        return false;
    char* bigger = static_cast<char*>(BudgetMalloc(static_cast<uint32_t>(wanted), false));
    if (!bigger)
        return false;
    if (buffer.data) {
        MoveBytes(bigger, buffer.data, static_cast<size_t>(buffer.length));
        BudgetFree(buffer.data);
    }
    buffer.data = bigger;
    buffer.capacity = static_cast<int32_t>(wanted);
    return true;
}

}  // namespace

void PushTextBuffer()
{
    ShouldAbortComputation();
    TextBufferStack& stack = TheTextBufferStack;
    ++stack.top;
    TextBuffer* buffer = TopBuffer();
    if (!buffer)
        return;
    *buffer = TextBuffer{nullptr, 0, 0, false};
    buffer->failed = !GrowTextBuffer(*buffer);
}

bool PutTextChar(char byte)
{
    TextBuffer* buffer = TopBuffer();
    if (!buffer || buffer->failed)
        return false;
    if (buffer->length >= buffer->capacity && !GrowTextBuffer(*buffer)) {
        // Every later byte is dropped too, so no text can continue after a gap.
        buffer->failed = true;
        return false;
    }
    buffer->data[buffer->length++] = byte;
    return true;
}

bool PutTextString(const char* text)
{
    // A failure is sticky, so the bytes after a dropped one would be dropped too.
    for (; *text; ++text) {
        if (!PutTextChar(*text))
            return false;
    }
    return true;
}

char* PopTextBuffer(int32_t* length)
{
    TextBufferStack& stack = TheTextBufferStack;
    if (length)
        *length = 0;
    if (stack.top < 0)
        return nullptr;
    TextBuffer* buffer = TopBuffer();
    --stack.top;
    if (!buffer)
        return nullptr;
    char* data = buffer->data;
    if (buffer->failed) {
        BudgetFree(data);
        data = nullptr;
    } else if (length) {
        *length = buffer->length;
    }
    *buffer = TextBuffer{};
    return data;
}
