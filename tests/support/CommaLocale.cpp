#include "support/CommaLocale.h"

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

bool UseCommaNumericLocale()
{
    // Built once per process from a numeric-only definition: localedef comes
    // with the C library, the locale sources need not be installed.
    // Never destroyed, so that the clean-up at exit can still read it.
    static const std::string& folder = *new std::string([] {
        const char* base = std::getenv("TMPDIR");
        std::string pattern = std::string(base && *base ? base : "/tmp") + "/vl-locale-XXXXXX";
        if (!mkdtemp(pattern.data()))
            return std::string();
        std::ofstream(pattern + "/comma.src") << "LC_NUMERIC\n"
                                                 "decimal_point \"<U002C>\"\n"
                                                 "thousands_sep \"<U002E>\"\n"
                                                 "grouping 3;3\n"
                                                 "END LC_NUMERIC\n";
        std::string command = "localedef -c -i '" + pattern + "/comma.src' '" + pattern +
                              "/xx_XX' >/dev/null 2>&1";
        std::system(command.c_str());
        return pattern;
    }());
    static const bool cleanUp = std::atexit([] {
        std::error_code ignored;
        std::filesystem::remove_all(folder, ignored);
    }) == 0;
    (void)cleanUp;
    if (folder.empty())
        return false;
    setenv("LOCPATH", folder.c_str(), 1);
    bool set = std::setlocale(LC_NUMERIC, "xx_XX") != nullptr;
    unsetenv("LOCPATH");
    char text[16];
    std::snprintf(text, sizeof text, "%g", 2.5);
    return set && std::string(text) == "2,5";
}
