#include "app/VersionReply.h"

#include <cstdio>
#include <limits>

namespace {

bool IsSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

std::string Trim(const std::string& s)
{
    size_t begin = 0, end = s.size();
    while (begin < end && IsSpace(s[begin]))
        ++begin;
    while (end > begin && IsSpace(s[end - 1]))
        --end;
    return s.substr(begin, end - begin);
}

// Reads like atoi, but a number too large for 32 bits stops at the limit;
// digits tells whether any digit was read.
int32_t ReadInteger(const std::string& s, size_t from, bool* digits = nullptr)
{
    size_t i = from;
    while (i < s.size() && IsSpace(s[i]))
        ++i;
    bool negative = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-'))
        negative = s[i++] == '-';
    int64_t value = 0;
    const size_t first = i;
    for (; i < s.size() && s[i] >= '0' && s[i] <= '9'; ++i) {
        if (value <= std::numeric_limits<int32_t>::max())
            value = value * 10 + (s[i] - '0');
    }
    if (digits)
        *digits = i > first;
    if (negative)
        value = -value;
    if (value > std::numeric_limits<int32_t>::max())
        return std::numeric_limits<int32_t>::max();
    if (value < std::numeric_limits<int32_t>::min())
        return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(value);
}

bool StartsWith(const std::string& line, const char* key, std::string* rest)
{
    const std::string k(key);
    if (line.compare(0, k.size(), k) != 0)
        return false;
    *rest = Trim(line.substr(k.size()));
    return true;
}

void ReadLine(const std::string& line, VersionReply* reply)
{
    std::string rest;
    if (StartsWith(line, "ReleaseVersion: ", &rest)) {
        reply->releaseVersion = rest;
    } else if (StartsWith(line, "ReleaseURL: ", &rest)) {
        reply->releaseUrl = rest;
    } else if (StartsWith(line, "AutoQueryIntervalM: ", &rest)) {
        bool digits = false;
        int32_t minutes = ReadInteger(rest, 0, &digits);
        // A missing or absurd interval would have the program ask at every
        // idle pass or never again.
        if (!digits || minutes <= 0)
            return;
        if (minutes < kMinimumQueryIntervalMinutes)
            minutes = kMinimumQueryIntervalMinutes;
        if (minutes > kMaximumQueryIntervalMinutes)
            minutes = kMaximumQueryIntervalMinutes;
        reply->hasInterval = true;
        reply->intervalSeconds = minutes * 60;
    }
}

}  // namespace

bool ParseVersionReply(const char* bytes, size_t size, VersionReply* reply)
{
    *reply = VersionReply{};
    if (size > kVersionReplyLimit || (size && !bytes))
        return false;
    const std::string text(bytes, size);
    size_t pos = 0;
    while (pos < text.size()) {
        size_t cut = text.find_first_of("\r\n", pos);
        if (cut == std::string::npos)
            cut = text.size();
        ReadLine(Trim(text.substr(pos, cut - pos)), reply);
        pos = cut + 1;
        while (pos < text.size() && IsSpace(text[pos]))
            ++pos;
    }
    return true;
}

bool ParseReleaseVersion(const std::string& text, int32_t numbers[4])
{
    size_t start = 0;
    for (int part = 0; part < 3; ++part) {
        const size_t cut = text.find_first_of(".,", start);
        if (cut == std::string::npos)
            return false;
        numbers[part] = ReadInteger(text.substr(start, cut - start), 0);
        start = cut + 1;
    }
    if (start >= text.size())
        return false;
    numbers[3] = ReadInteger(text, start);
    return true;
}

bool IsNewerRelease(const uint32_t program[4], const int32_t release[4])
{
    for (int i = 0; i < 4; ++i) {
        const int64_t mine = program[i], theirs = release[i];
        if (mine != theirs)
            return mine < theirs;
    }
    return false;
}

bool IsDownloadAddress(const std::string& url)
{
    for (const char* scheme : {"http://", "https://"}) {
        const std::string s(scheme);
        if (url.size() > s.size() && url.compare(0, s.size(), s) == 0)
            return true;
    }
    return false;
}

std::string BuildVersionQuery(const std::string& server, const uint32_t version[4], const std::string& country,
                              const std::string& osTag)
{
    char digits[64];
    std::snprintf(digits, sizeof digits, "%02u%02u%02u%04u", version[0], version[1], version[2], version[3]);
    return server + "/kovi/od3?version=" + digits + "&country=" + country.substr(0, 5) + "&os=" + osTag;
}
