#include "platform/CDLLVersion.h"

#include <sys/utsname.h>

#include <algorithm>
#include <cctype>
#include <charconv>

#ifndef VL_PROGRAM_VERSION
#define VL_PROGRAM_VERSION ""
#endif

namespace {

// The numbers of a version text and the separator before each; text after a
// blank that follows the last number (a build note) is left out.
struct VersionNumbers {
    uint32_t value[4] = {};
    char separator[4] = {};
    int count = 0;
};

bool SplitVersion(const std::string& text, VersionNumbers& numbers)
{
    const char* p = text.data();
    const char* end = p + text.size();
    while (p < end && *p == ' ')
        ++p;
    char separator = 0;
    while (p < end) {
        if (numbers.count == 4)
            return false;
        auto [next, ec] = std::from_chars(p, end, numbers.value[numbers.count]);
        if (ec != std::errc())
            return false;
        numbers.separator[numbers.count++] = separator;
        p = next;
        if (p == end || *p == ' ')
            return true;
        if (*p != '.' && *p != ',')
            return false;
        separator = *p++;
        while (separator == ',' && p < end && *p == ' ')
            ++p;
    }
    return false;  // ends in a separator, or no number at all
}

}  // namespace

CDLLVersion::CDLLVersion(const std::string& text) : versionText(text.substr(0, 250))
{
    VersionNumbers n;
    if (!SplitVersion(versionText, n))
        return;
    if (n.count == 3 && n.separator[1] == '.' && n.separator[2] == '.') {
        major = n.value[0];
        minor = n.value[1];
        fourth = n.value[2];
        valid = true;
    } else if (n.count == 4) {
        major = n.value[0];
        minor = n.value[1];
        third = n.value[2];
        fourth = n.value[3];
        valid = true;
    }
}

CDLLVersion CDLLVersion::Program()
{
    return CDLLVersion(VL_PROGRAM_VERSION);
}

bool GetOSVersionTag(std::string& tag)
{
    utsname names{};
    if (uname(&names) != 0 || !names.sysname[0]) {
        tag = "w0";
        return false;
    }
    // The tag travels in requests: nothing but plain characters.
    tag = std::string(names.sysname) + "_" + names.release;
    for (char& c : tag) {
        if (!std::isalnum(static_cast<unsigned char>(c)) && c != '.' && c != '-' && c != '_')
            c = '_';
    }
    tag.resize(std::min<size_t>(tag.size(), 64));
    return true;
}
