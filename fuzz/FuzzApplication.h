// The offscreen application that targets typesetting or using the clipboard
// need: fonts, widgets and the clipboard live in it.
#pragma once

#include <QApplication>

#include <cstdlib>

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
