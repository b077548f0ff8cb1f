#include "app/LayerServices.h"

#include <clocale>
#include <gtest/gtest.h>

#if defined(__SANITIZE_THREAD__)
// The window toolkit's libraries are not built with the thread sanitizer, so
// their own thread start-up and atomics look like races to it.
extern "C" const char* __tsan_default_suppressions()
{
    return "called_from_lib:libQt6Core.so.6\n"
           "called_from_lib:libQt6Gui.so.6\n"
           "called_from_lib:libQt6Widgets.so.6\n"
           "race:libQt6Core.so.6\n"
           "race:libQt6Gui.so.6\n"
           "race:libQt6Widgets.so.6\n"
           "race:libglib-2.0.so.0\n"
           "race:libfontconfig.so.1\n";
}
#endif

int main(int argc, char** argv)
{
    // Tests see the same numeric locale the program sets at start-up.
    std::setlocale(LC_NUMERIC, "C");
    RegisterLayerServices();
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
