#include "CoreUtilities/Base64.h"

#include "CoreUtilities/TextBufferStack.h"

#include <array>
#include <cstdint>

namespace {

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

// Alphabet value of every byte; -1 outside the alphabet.
constexpr std::array<int8_t, 256> kValues = [] {
    std::array<int8_t, 256> values{};
    values.fill(-1);
    for (int i = 0; i < 64; ++i)
        values[static_cast<unsigned char>(kAlphabet[i])] = static_cast<int8_t>(i);
    return values;
}();

}  // namespace

bool WriteBase64(const void* bytes, size_t count)
{
    const auto* in = static_cast<const unsigned char*>(bytes);
    for (size_t i = 0; i < count; i += 3) {
        uint32_t group = uint32_t{in[i]} << 16;
        if (i + 1 < count)
            group |= uint32_t{in[i + 1]} << 8;
        if (i + 2 < count)
            group |= in[i + 2];
        for (int shift = 18; shift >= 0; shift -= 6) {
            // A dropped byte fails the whole buffer; the rest need not be tried.
            if (!PutTextChar(kAlphabet[(group >> shift) & 63]))
                return false;
        }
    }
    return true;
}

size_t ReadBase64(const char* text, size_t count, unsigned char* destination, size_t capacity)
{
    size_t written = 0;
    for (size_t i = 0; i < count; i += 4) {
        // The end of count stops a group as an invalid character would.
        int v[4] = {};
        int valid = 0;
        for (; valid < 4 && i + valid < count; ++valid) {
            int value = kValues[static_cast<unsigned char>(text[i + valid])];
            if (value < 0)
                break;
            v[valid] = value;
        }
        const int bytes[3] = {v[0] * 4 + v[1] / 16, (v[1] % 16) * 16 + v[2] / 4,
                              (v[2] % 4) * 64 + v[3]};
        for (int k = 0; k + 1 < valid; ++k) {
            if (written == capacity)
                return written;
            destination[written++] = static_cast<unsigned char>(bytes[k]);
        }
        if (valid < 4)
            break;
    }
    return written;
}
