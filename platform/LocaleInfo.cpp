#include "platform/LocaleInfo.h"

#include <QLocale>

char16_t LocaleDecimalPoint()
{
    // The default locale is the system's unless the program chose another.
    const QString point = QLocale().decimalPoint();
    return point.isEmpty() ? char16_t{0} : point.front().unicode();
}
