#include "app/KoviPrefs.h"

#include <QByteArray>
#include <QSettings>

namespace {

constexpr char kValueName[] = "KoviPrefs";

QSettings Store()
{
    return QSettings(QStringLiteral("Kestrane"), QStringLiteral("Vellumor"));
}

void PutInt32(uint8_t* at, int32_t value)
{
    const uint32_t v = static_cast<uint32_t>(value);
    for (int i = 0; i < 4; ++i)
        at[i] = static_cast<uint8_t>(v >> (8 * i));
}

int32_t GetInt32(const uint8_t* at)
{
    uint32_t v = 0;
    for (int i = 0; i < 4; ++i)
        v |= static_cast<uint32_t>(at[i]) << (8 * i);
    return static_cast<int32_t>(v);
}

}  // namespace

KoviPrefs& GetKoviPrefs()
{
    static KoviPrefs prefs;
    return prefs;
}

void EncodeKoviPrefs(const KoviPrefs& prefs, uint8_t bytes[kKoviPrefsSize])
{
    PutInt32(bytes, prefs.lastCheck);
    PutInt32(bytes + 4, prefs.interval);
    bytes[8] = prefs.enabled;
    bytes[9] = prefs.askFirst;
    bytes[10] = prefs.reserved;
    bytes[11] = prefs.notAskedYet;
}

bool DecodeKoviPrefs(const uint8_t* bytes, size_t size, KoviPrefs* prefs)
{
    if (size != kKoviPrefsSize || !bytes)
        return false;
    prefs->lastCheck = GetInt32(bytes);
    prefs->interval = GetInt32(bytes + 4);
    prefs->enabled = bytes[8];
    prefs->askFirst = bytes[9];
    prefs->reserved = bytes[10];
    prefs->notAskedYet = bytes[11];
    return true;
}

bool ReadKoviPrefs()
{
    const QVariant value = Store().value(QLatin1String(kValueName));
    if (!value.isValid())
        return false;
    const QByteArray bytes = value.toByteArray();
    return DecodeKoviPrefs(reinterpret_cast<const uint8_t*>(bytes.constData()), static_cast<size_t>(bytes.size()),
                           &GetKoviPrefs());
}

bool WriteKoviPrefs()
{
    uint8_t bytes[kKoviPrefsSize];
    EncodeKoviPrefs(GetKoviPrefs(), bytes);
    QSettings store = Store();
    store.setValue(QLatin1String(kValueName), QByteArray(reinterpret_cast<const char*>(bytes), kKoviPrefsSize));
    store.sync();
    return store.status() == QSettings::NoError;
}

KoviPrefs FirstRunKoviPrefs(int64_t now)
{
    KoviPrefs prefs;
    prefs.lastCheck = static_cast<int32_t>(static_cast<uint32_t>(now));
    prefs.interval = kDefaultCheckInterval;
    prefs.enabled = 1;
    prefs.askFirst = 1;
    prefs.notAskedYet = 1;
    return prefs;
}

bool IsAutomaticCheckDue(const KoviPrefs& prefs, int64_t now)
{
    if (!prefs.enabled)
        return false;
    const uint32_t since = static_cast<uint32_t>(now) - static_cast<uint32_t>(prefs.lastCheck);
    if (since > static_cast<uint32_t>(INT32_MAX))
        return false;
    // A damaged interval counts as the default one.
    const int32_t interval = prefs.interval > 0 ? prefs.interval : kDefaultCheckInterval;
    return static_cast<int32_t>(since) > interval;
}
