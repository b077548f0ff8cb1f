// The user's settings file as the preferences read it: any bytes as the
// file; whatever it holds, every preference ends inside its range.
#include "app/Preferences.h"
#include "fuzz/FuzzCheck.h"

#include <QFile>
#include <QSettings>
#include <QTemporaryDir>

#include <algorithm>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static QTemporaryDir dir;
    static int serial = 0;
    size = std::min<size_t>(size, 8192);
    // A new file each time: the store rereads a file only when it changed.
    QString path = dir.path() + QStringLiteral("/s%1.conf").arg(++serial % 1000);
    {
        QFile::remove(path);
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly))
            return 0;
        file.write(reinterpret_cast<const char*>(data), static_cast<qint64>(size));
    }
    QSettings settings(path, QSettings::IniFormat);
    LoadPreferencesFrom(settings);
    const DocumentPreferences& p = GetPreferences();
    FuzzRequire(p.significantDigits >= 1 && p.significantDigits <= 14, "digits 1-14");
    FuzzRequire(p.mainFontSize >= 6 && p.mainFontSize <= 72, "font size 6-72");
    FuzzRequire(p.backgroundType <= 2, "background type 0-2");
    size_t length = strnlen(p.typeface, sizeof p.typeface);
    FuzzRequire(length > 0 && length < 64, "typeface 1-63 bytes, terminated");
    FuzzRequire(std::none_of(p.typeface, p.typeface + length, [](char c) { return c == '"'; }),
                "no quote in the typeface");
    return 0;
}
