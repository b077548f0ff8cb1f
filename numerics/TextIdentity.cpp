#include "numerics/TextIdentity.h"

#include "CoreUtilities/GrowArray.h"
#include "CoreUtilities/Mutex.h"
#include "CoreUtilities/WideString.h"

#include <cmath>
#include <cstdlib>
#include <limits>

namespace {

// Whole numbers from 2^52 up, where every integer is exact and no formula is
// likely to land by accident.
constexpr double kFirstIdentity = 4503599627370496.0;

pthread_mutex_t TextsLock = PTHREAD_MUTEX_INITIALIZER;
// Interned texts, never freed: a number handed out stays valid.
GrowArray<char16_t*> Texts;

}  // namespace

double TextIdentityOf(const char16_t* text)
{
    MutexLock lock(TextsLock);
    for (int32_t i = 0; i < Texts.count; ++i) {
        if (WideEqual(Texts[i], text))
            return kFirstIdentity + i;
    }
    char16_t* copy = WideDuplicateN(text, WideLength(text));
    if (!copy)
        return std::numeric_limits<double>::quiet_NaN();
    if (Texts.Push(copy) != 0) {
        std::free(copy);
        return std::numeric_limits<double>::quiet_NaN();
    }
    return kFirstIdentity + (Texts.count - 1);
}

const char16_t* TextOfIdentity(double identity)
{
    double index = identity - kFirstIdentity;
    if (!(index >= 0) || index != std::floor(index))
        return nullptr;
    MutexLock lock(TextsLock);
    return index < Texts.count ? Texts[static_cast<int32_t>(index)] : nullptr;
}
