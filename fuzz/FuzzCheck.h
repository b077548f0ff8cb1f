// What a fuzz target asserts besides not crashing: a broken promise of the
// reader aborts, so that libFuzzer keeps the input like any crash.
#pragma once

#include <cstdio>
#include <cstdlib>

inline void FuzzRequire(bool holds, const char* promise)
{
    if (holds)
        return;
    std::fprintf(stderr, "broken: %s\n", promise);
    std::abort();
}
