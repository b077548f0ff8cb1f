// The UTF-8 decoder and encoder: any bytes as UTF-8, and as UTF-16 units.
// Whatever the strict decoder accepts encodes back to the same bytes, and
// whatever the encoder writes decodes again.
#include "CoreUtilities/TextEncoding.h"
#include "fuzz/FuzzCheck.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

namespace {

void DecodeAndBack(const uint8_t* data, size_t size)
{
    // A UTF-8 sequence never gives more units than bytes; half that room
    // also tries the full target.
    for (size_t room : {size, size / 2}) {
        std::vector<char16_t> units(room + 1);
        const unsigned char* source = data;
        char16_t* target = units.data();
        Utf8ConversionResult result = Utf8ToUtf16Core(source, data + size, target, units.data() + room);
        FuzzRequire(source >= data && source <= data + size, "decoder source cursor in range");
        FuzzRequire(target >= units.data() && target <= units.data() + room, "decoder target cursor in range");
        if (result != kConversionOk || room < size)
            continue;
        FuzzRequire(source == data + size, "accepted text read to its end");
        std::vector<unsigned char> bytes(size + 1);
        const char16_t* from = units.data();
        unsigned char* to = bytes.data();
        FuzzRequire(Utf16ToUtf8Core(from, target, to, bytes.data() + size) == kConversionOk,
                    "accepted text encodes again");
        FuzzRequire(to - bytes.data() == static_cast<ptrdiff_t>(size) && std::memcmp(bytes.data(), data, size) == 0,
                    "accepted text encodes to the same bytes");
    }
}

void EncodeAndBack(const uint8_t* data, size_t size)
{
    std::vector<char16_t> units(size / 2);
    if (!units.empty())
        std::memcpy(units.data(), data, units.size() * sizeof(char16_t));
    // At most three bytes per unit (a pair takes four for two units).
    std::vector<unsigned char> bytes(3 * units.size() + 1);
    const char16_t* from = units.data();
    unsigned char* to = bytes.data();
    Utf8ConversionResult result =
        Utf16ToUtf8Core(from, units.data() + units.size(), to, bytes.data() + bytes.size());
    FuzzRequire(result == kConversionOk, "any units encode");
    size_t written = static_cast<size_t>(to - bytes.data());
    std::vector<char16_t> back(written + 1);
    const unsigned char* source = bytes.data();
    char16_t* target = back.data();
    FuzzRequire(Utf8ToUtf16Core(source, bytes.data() + written, target, back.data() + back.size()) == kConversionOk,
                "what the encoder writes decodes");
}

// The NUL-terminated conversions of the same text in every encoding.
void Terminated(const uint8_t* data, size_t size)
{
    std::vector<char> text(data, data + size);
    text.push_back(0);
    std::vector<char16_t> wide(size + 1);
    for (TextEncoding encoding : {kTextAscii, kTextOneByte, kTextUtf8}) {
        NarrowToWide(text.data(), wide.data(), encoding);
        size_t need = NarrowSizeOfWide(wide.data(), encoding);
        std::vector<char> narrow(need + 1);
        WideToNarrow(wide.data(), narrow.data(), need, encoding);
        // One byte short must not write past the end.
        if (need > 0)
            WideToNarrow(wide.data(), narrow.data(), need - 1, encoding);
    }
    for (int length = 1; length <= 4 && static_cast<size_t>(length) <= size; ++length)
        IsLegalUtf8Sequence(data, length);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    size = std::min<size_t>(size, 4096);
    DecodeAndBack(data, size);
    EncodeAndBack(data, size);
    Terminated(data, size);
    return 0;
}
