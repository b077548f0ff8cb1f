// The base64 reader of pictures in documents: any bytes as text, into
// exactly sized buffers, and any bytes written as base64 and read back.
#include "CoreUtilities/Base64.h"
#include "CoreUtilities/MemoryBudget.h"
#include "CoreUtilities/TextBufferStack.h"
#include "fuzz/FuzzCheck.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>

namespace {

// Heap copies of exactly the text and exactly the capacity, so that a read
// or write past either is caught.
void Read(const uint8_t* data, size_t size, size_t capacity)
{
    std::unique_ptr<char[]> text(new char[size]);
    std::memcpy(text.get(), data, size);
    std::unique_ptr<unsigned char[]> bytes(new unsigned char[capacity]);
    size_t written = ReadBase64(text.get(), size, bytes.get(), capacity);
    FuzzRequire(written <= capacity, "decoder stays within its capacity");
}

void WriteAndReadBack(const uint8_t* data, size_t size)
{
    PushTextBuffer();
    bool whole = WriteBase64(data, size);
    int32_t length = 0;
    char* text = PopTextBuffer(&length);
    if (!whole || !text) {
        BudgetFree(text);
        return;
    }
    FuzzRequire(static_cast<size_t>(length) == (size + 2) / 3 * 4, "four characters per three bytes");
    std::unique_ptr<unsigned char[]> bytes(new unsigned char[size + 1]);
    size_t written = ReadBase64(text, static_cast<size_t>(length), bytes.get(), size);
    BudgetFree(text);
    FuzzRequire(written == size && std::memcmp(bytes.get(), data, size) == 0, "written bytes read back");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    size = std::min<size_t>(size, 4096);
    Read(data, size, size / 4 * 3 + 3);
    Read(data, size, size / 8 + 1);
    WriteAndReadBack(data, size);
    return 0;
}
