// What the version server answers: a few "Key: value" lines, read
// defensively (the text comes from the network), and the query sent to it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// Larger replies are refused unread: an answer is a few short lines.
constexpr size_t kVersionReplyLimit = 64 * 1024;
// The automatic interval the server may set, in minutes: an hour to a year.
constexpr int32_t kMinimumQueryIntervalMinutes = 60;
constexpr int32_t kMaximumQueryIntervalMinutes = 366 * 24 * 60;

struct VersionReply {
    std::string releaseVersion;
    std::string releaseUrl;
    // Seconds between automatic checks, when the reply sets it.
    bool hasInterval = false;
    int32_t intervalSeconds = 0;
};

// Reads the lines of the reply; a key seen twice keeps its last value.
// False, and nothing read, when the reply exceeds kVersionReplyLimit.
bool ParseVersionReply(const char* bytes, size_t size, VersionReply* reply);

// Four numbers separated by '.' or ','; false when the fourth is missing.
bool ParseReleaseVersion(const std::string& text, int32_t numbers[4]);

// The program's four numbers come before the release's, first number first.
bool IsNewerRelease(const uint32_t program[4], const int32_t release[4]);

// The release's address is offered only when it is a web address.
bool IsDownloadAddress(const std::string& url);

// "<server>/kovi/od3?version=VVvvttFFFF&country=..&os=..".
std::string BuildVersionQuery(const std::string& server, const uint32_t version[4], const std::string& country,
                              const std::string& osTag);
