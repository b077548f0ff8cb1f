#include "app/Preferences.h"

#include "platform/MessageBox.h"
#include "rendering/ViewRenderContext.h"

#include <QSettings>

#include <charconv>
#include <cstring>
#include <optional>

namespace {

DocumentPreferences Values;

// A whole decimal number, as the store keeps it. Anything else (text, a list,
// a serialised value, a number with junk after it or beyond 64 bits) is no
// number at all.
std::optional<int64_t> ReadNumber(const QSettings& settings, const char* key)
{
    QVariant value = settings.value(QLatin1String(key));
    switch (value.typeId()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong: {
        bool ok = false;
        qlonglong n = value.toLongLong(&ok);
        return ok ? std::optional<int64_t>(n) : std::nullopt;
    }
    case QMetaType::QString: {
        QByteArray text = value.toString().toUtf8().trimmed();
        int64_t n = 0;
        const char* end = text.constData() + text.size();
        auto [ptr, ec] = std::from_chars(text.constData(), end, n);
        if (text.isEmpty() || ec != std::errc() || ptr != end)
            return std::nullopt;
        return n;
    }
    default:
        return std::nullopt;
    }
}

// Takes the number when it lies in [low, high]; otherwise the value stays.
template <typename T>
void ReadInRange(const QSettings& settings, const char* key, int64_t low, int64_t high, T& value)
{
    std::optional<int64_t> n = ReadNumber(settings, key);
    if (n && *n >= low && *n <= high)
        value = static_cast<T>(*n);
}

// A typeface goes into documents as a quoted name: it must be valid UTF-8
// below 64 bytes, without quotes or control characters.
bool IsAcceptableTypeface(const QByteArray& utf8)
{
    if (utf8.isEmpty() || utf8.size() > 63)
        return false;
    if (QString::fromUtf8(utf8).toUtf8() != utf8)
        return false;
    for (char c : utf8) {
        auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F || c == '"')
            return false;
    }
    return true;
}

const char* const kPreferenceKeys[] = {"SigFigs", "SubMainFontSize", "UseHWAccleration", "Typeface",
                                       "BackType", "BackR", "BackG", "BackB", "GraphsToRight"};

QSettings ProgramSettings(const char* name)
{
    return QSettings(QStringLiteral("Kestrane"), QString::fromLatin1(name));
}

}  // namespace

DocumentPreferences& GetPreferences()
{
    return Values;
}

void SetDefaultPreferences()
{
    Values = DocumentPreferences();
    SetHardwareAcceleration(0);
}

bool LoadPreferencesFrom(const QSettings& settings)
{
    SetDefaultPreferences();
    if (settings.status() != QSettings::NoError)
        return false;
    bool any = false;
    for (const char* key : kPreferenceKeys)
        any = any || settings.contains(QLatin1String(key));
    if (!any)
        return false;
    ReadInRange(settings, "SigFigs", 1, 14, Values.significantDigits);
    ReadInRange(settings, "SubMainFontSize", 6, 72, Values.mainFontSize);
    if (std::optional<int64_t> hw = ReadNumber(settings, "UseHWAccleration"))
        SetHardwareAcceleration(*hw == 0 ? 1 : 2);
    QVariant typeface = settings.value(QStringLiteral("Typeface"));
    if (typeface.typeId() == QMetaType::QString) {
        QByteArray utf8 = typeface.toString().toUtf8();
        if (IsAcceptableTypeface(utf8)) {
            std::memcpy(Values.typeface, utf8.constData(), static_cast<size_t>(utf8.size()));
            Values.typeface[utf8.size()] = 0;
        }
    }
    ReadInRange(settings, "BackType", 0, 2, Values.backgroundType);
    const char* const components[3] = {"BackR", "BackG", "BackB"};
    for (int i = 0; i < 3; ++i) {
        // A component outside a byte is black, not the default.
        if (std::optional<int64_t> n = ReadNumber(settings, components[i]))
            Values.backgroundColor[i] = *n >= 0 && *n <= 255 ? static_cast<uint8_t>(*n) : 0;
    }
    if (std::optional<int64_t> right = ReadNumber(settings, "GraphsToRight"))
        Values.graphsToTheRight = *right != 0;
    return true;
}

bool LoadPreferences()
{
    return LoadPreferencesFrom(ProgramSettings("Vellumor"));
}

bool SavePreferencesTo(QSettings& settings)
{
    if (!settings.isWritable())
        return false;
    settings.setValue(QStringLiteral("SigFigs"), Values.significantDigits);
    settings.setValue(QStringLiteral("SubMainFontSize"), Values.mainFontSize);
    // "Not set" stays unwritten: stored as 0 it would mean software only at
    // the next start.
    if (int32_t hw = GetHardwareAcceleration())
        settings.setValue(QStringLiteral("UseHWAccleration"), hw == 2 ? 1 : 0);
    settings.setValue(QStringLiteral("Typeface"), QString::fromUtf8(Values.typeface));
    settings.setValue(QStringLiteral("BackType"), Values.backgroundType);
    settings.setValue(QStringLiteral("BackR"), Values.backgroundColor[0]);
    settings.setValue(QStringLiteral("BackG"), Values.backgroundColor[1]);
    settings.setValue(QStringLiteral("BackB"), Values.backgroundColor[2]);
    settings.setValue(QStringLiteral("GraphsToRight"), Values.graphsToTheRight ? 1 : 0);
    settings.sync();
    return settings.status() == QSettings::NoError;
}

bool SavePreferences()
{
    QSettings settings = ProgramSettings("Vellumor");
    return SavePreferencesTo(settings);
}

bool ResetRegistrySettings()
{
    bool deleted = true;
    for (const char* name : {"Ondrel", "Vellumor"}) {
        QSettings settings = ProgramSettings(name);
        if (!settings.isWritable()) {
            deleted = false;
            continue;
        }
        settings.clear();
        settings.sync();
        deleted = deleted && settings.status() == QSettings::NoError;
    }
    if (!deleted)
        ShowMessageBox(std::string("Could not open registry key HKEY_CURRENT_USER\\Software\\Kestrane for delete."),
                       std::string("Vellumor"), MessageBoxIcon::Warning);
    return deleted;
}
