// The offscreen application that targets typesetting or using the clipboard
// need: fonts, widgets and the clipboard live in it.
#pragma once

#include "CoreUtilities/FailureRegister.h"
#include "CoreUtilities/MemoryBudget.h"
#include "formula/NameRegistry.h"
#include "fuzz/FuzzCheck.h"
#include "support/TreeFixture.h"

#include <QApplication>

#include <cstdint>
#include <cstdlib>
#include <vector>

// Made once per program; offscreen unless the environment names a platform.
inline QApplication* MakeFuzzApplication(const char* name)
{
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    static int argc = 1;
    static char* argv[] = {const_cast<char*>(name), nullptr};
    return new QApplication(argc, argv);
}

// The application goes at exit. Registered after the first fonts were made,
// it goes before the window system's font caches, which came with them.
inline void DeleteFuzzApplicationAtExit()
{
    static bool registered = false;
    if (!registered)
        std::atexit([] { delete qApp; });
    registered = true;
}

// One input of an editing target, from a clean slate (nothing aborted, no
// failure, no names in use, as a new document); every block it takes must
// come back.
template <typename Run>
void RunEditingInput(Run run)
{
    AbortFlag = 0;
    ResetFailureRegister();
    ClearNamesInUse();
    std::vector<uint32_t> before = OutstandingBlocks();
    run();
    FuzzRequire(OutstandingBlocks() == before, "every block taken is given back");
}
