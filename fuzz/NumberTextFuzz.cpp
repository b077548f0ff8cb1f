// The number-text readers and the formatters whose text they read back: any
// bytes as narrow and as wide number text, and the number read (or the
// first eight bytes taken as a double) formatted into exactly sized buffers.
// Seventeen significant digits read back as the same double.
#include "platform/NumberText.h"
#include "fuzz/FuzzCheck.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

namespace {

void Format(double x, int32_t digits)
{
    std::unique_ptr<char16_t[]> buffer(new char16_t[kNumberTextUnits]);
    FormatDouble(buffer.get(), x, digits);
    if (digits == 17 && std::isfinite(x)) {
        double back = ParseWideDouble(buffer.get());
        FuzzRequire(back == x, "seventeen digits read back as the same number");
    }
    FormatNumberText(x, buffer.get());
    int32_t exponent = 0;
    FormatNumberMantissa(x, buffer.get(), &exponent);
    // A capacity too small for the text must cut it, not overrun.
    for (size_t capacity : {size_t{1}, size_t{6}, kNumberTextUnits}) {
        std::unique_ptr<char16_t[]> small(new char16_t[capacity]);
        FormatNumberWithPrefix(small.get(), capacity, u"x = ", x);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    size = std::min<size_t>(size, 4096);
    std::vector<char> narrow(data, data + size);
    narrow.push_back(0);
    std::vector<char16_t> wide(narrow.begin(), narrow.end());
    for (char16_t& unit : wide)
        unit = static_cast<unsigned char>(unit);
    double x = ParseNarrowDouble(narrow.data());
    double y = ParseWideDouble(wide.data());
    FuzzRequire((std::isnan(x) && std::isnan(y)) || x == y, "narrow and wide readers agree");
    ParseNumberText(wide.data());
    Format(x, 17);
    if (size >= sizeof(double) + 1) {
        double bits = 0;
        std::memcpy(&bits, data, sizeof bits);
        Format(bits, 17);
        Format(bits, 1 + data[sizeof bits] % 17);
    }
    return 0;
}
