// A program's or library's version as four numbers, read from its version
// text: "5, 30, 0, 1" (four numbers, commas or points) or "5.30.7" (major,
// minor and the fourth number).
#pragma once

#include <cstdint>
#include <string>

struct CDLLVersion {
    explicit CDLLVersion(const std::string& text);
    // This program's own version, fixed when it was built.
    static CDLLVersion Program();

    uint32_t major = 0;
    uint32_t minor = 0;
    uint32_t third = 0;
    uint32_t fourth = 0;
    bool valid = false;
    std::string versionText;
};

// A short tag for the system: kernel name and release ("Linux_6.1.0-18"),
// only letters, digits, '.', '-' and '_'. "w0" and false when the system
// cannot say.
bool GetOSVersionTag(std::string& tag);
