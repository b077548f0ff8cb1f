#include "app/InstanceOpenRequest.h"

#include <QStringDecoder>

#include <cstring>

namespace {

constexpr char kTag[16] = "OndrelCopyData1";
constexpr uint32_t kOpenKind = 1;

}  // namespace

QString StripPathQuotes(const QString& path)
{
    // A lone quote has no pair to strip.
    if (path.size() >= 2 && path.startsWith(QLatin1Char('"')))
        return path.mid(1, path.size() - 2);
    return path;
}

QByteArray MakeInstanceOpenRequest(const QString& path)
{
    const QByteArray bytes = StripPathQuotes(path).toUtf8();
    if (bytes.isEmpty() || bytes.size() > kInstanceRequestLongestPath || bytes.contains('\0'))
        return {};
    QByteArray record(kTag, sizeof kTag);
    for (int shift = 0; shift < 32; shift += 8)
        record.append(static_cast<char>((kOpenKind >> shift) & 0xFF));
    record.append(bytes);
    record.append('\0');
    return record;
}

bool ReadInstanceOpenRequest(const QByteArray& record, QString* path)
{
    const qsizetype size = record.size();
    if (size < kInstanceRequestHeaderBytes + 2 || size > kInstanceRequestLargest)
        return false;
    if (std::memcmp(record.constData(), kTag, sizeof kTag) != 0)
        return false;
    const auto* kind = reinterpret_cast<const unsigned char*>(record.constData() + sizeof kTag);
    if ((kind[0] | kind[1] << 8 | kind[2] << 16 | static_cast<uint32_t>(kind[3]) << 24) != kOpenKind)
        return false;
    // The path ends at the record's last byte and nowhere before it.
    const QByteArray bytes = record.mid(kInstanceRequestHeaderBytes, size - kInstanceRequestHeaderBytes - 1);
    if (record.back() != '\0' || bytes.contains('\0'))
        return false;
    QStringDecoder decoder(QStringDecoder::Utf8);
    QString text = decoder(bytes);
    if (decoder.hasError())
        return false;
    *path = text;
    return true;
}
