#include "CoreUtilities/FailureRegister.h"

#include "CoreUtilities/FailureCodes.h"

#include <cstdio>
#include <cstring>
#include <mutex>

namespace {

std::mutex RegisterLock;
int32_t Pending = 0;
uint32_t PostedBits = 0;

uint32_t BitOf(int32_t code)
{
    return 1u << ((code - FirstFailureCode) % 32);
}

bool InRange(int32_t code)
{
    return code >= FirstFailureCode && code <= LastFailureCode;
}

}  // namespace

void PostFailure(int32_t code)
{
    // Codes outside the register's range would alias another code's bit.
    if (!InRange(code))
        return;
    std::lock_guard<std::mutex> hold(RegisterLock);
    uint32_t bit = BitOf(code);
    if (PostedBits & bit)
        return;
    if (Pending == 0 || code < Pending) {
        PostedBits |= bit;
        Pending = code;
    }
}

void RearmFailure(int32_t code)
{
    if (!InRange(code))
        return;
    std::lock_guard<std::mutex> hold(RegisterLock);
    PostedBits &= ~BitOf(code);
}

int32_t TakePendingFailure()
{
    std::lock_guard<std::mutex> hold(RegisterLock);
    int32_t code = Pending;
    Pending = 0;
    return code;
}

bool IsFailurePending()
{
    std::lock_guard<std::mutex> hold(RegisterLock);
    return Pending != 0;
}

void ResetFailureRegister()
{
    std::lock_guard<std::mutex> hold(RegisterLock);
    Pending = 0;
    PostedBits = 0;
}

void FormatSystemErrorText(char (&out)[256], const char* prefix, int errorCode)
{
    char system[200];
    // The GNU strerror_r may return a static text instead of filling the buffer.
    const char* text = strerror_r(errorCode, system, sizeof system);
    if (text && *text)
        std::snprintf(out, sizeof out, "%s %s", prefix, text);
    else
        std::snprintf(out, sizeof out, "%s Unknown error = 0x%lx", prefix,
                      static_cast<unsigned long>(errorCode));
}
