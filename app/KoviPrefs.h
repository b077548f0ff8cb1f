// The version check's schedule and the user's answers, kept in the settings
// store as one 12-byte little-endian value "KoviPrefs".
#pragma once

#include <cstddef>
#include <cstdint>

constexpr int32_t kKoviPrefsSize = 12;
constexpr int32_t kDefaultCheckInterval = 2592000;  // 30 days

struct KoviPrefs {
    // Seconds since 1970 (the low 32 bits) of the last check or answer;
    // 0 in memory while the record is not loaded.
    int32_t lastCheck = 0;
    int32_t interval = 0;  // seconds between automatic checks
    uint8_t enabled = 0;
    uint8_t askFirst = 0;
    uint8_t reserved = 0;
    uint8_t notAskedYet = 0;
};

// The process-wide record.
KoviPrefs& GetKoviPrefs();

void EncodeKoviPrefs(const KoviPrefs& prefs, uint8_t bytes[kKoviPrefsSize]);
// False, and the record untouched, unless there are exactly 12 bytes.
bool DecodeKoviPrefs(const uint8_t* bytes, size_t size, KoviPrefs* prefs);

// The stored value into the record; false when it is missing or of another size.
bool ReadKoviPrefs();
bool WriteKoviPrefs();

// The record of a first run: checks enabled every 30 days, asking first.
KoviPrefs FirstRunKoviPrefs(int64_t now);

// An automatic check is due: enabled, and more than the interval has passed
// since the last check. Times are compared as the low 32 bits of seconds,
// so the record keeps working after 2038; a last check in the future (the
// clock was set back) is not due.
bool IsAutomaticCheckDue(const KoviPrefs& prefs, int64_t now);
