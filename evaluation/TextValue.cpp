#include "evaluation/TextValue.h"

#include "CoreUtilities/GrowArray.h"
#include "CoreUtilities/Mutex.h"
#include "CoreUtilities/WideString.h"

#include <bit>
#include <cstdint>
#include <cstdlib>

namespace {

// Written under the lock by whichever thread compiles or reads a table;
// read under it by the runs that compare texts, which is rare.
pthread_mutex_t TextListLock = PTHREAD_MUTEX_INITIALIZER;
GrowArray<char16_t*> TextList;

double IdentityOf(int32_t index)
{
    return std::bit_cast<double>(static_cast<uint64_t>(index) + 1);
}

}  // namespace

double TextValueOf(const char16_t* text)
{
    if (!text)
        return 0;
    MutexLock lock(TextListLock);
    for (int32_t i = 0; i < TextList.count; ++i) {
        if (WideEqual(TextList[i], text))
            return IdentityOf(i);
    }
    char16_t* copy = WideDuplicateN(text, WideLength(text));
    if (!copy)
        return 0;
    if (TextList.Push(copy) != 0) {
        std::free(copy);
        return 0;
    }
    return IdentityOf(TextList.count - 1);
}

const char16_t* TextOfValue(double value)
{
    // Only positive subnormals can be identities; the test keeps NaN and
    // ordinary numbers away from the lock.
    if (!(value > 0 && value < 0x1p-1022))
        return nullptr;
    uint64_t number = std::bit_cast<uint64_t>(value);
    MutexLock lock(TextListLock);
    if (number > static_cast<uint64_t>(TextList.count))
        return nullptr;
    return TextList[static_cast<int32_t>(number - 1)];
}
