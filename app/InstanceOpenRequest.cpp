#include "app/InstanceOpenRequest.h"

#include <QStringDecoder>

#include <cstring>

namespace {

constexpr char kTag[16] = "OndrelCopyData1";
constexpr uint32_t kOpenKind = 1;

}  // namespace

void AppendUint32LE(QByteArray& bytes, uint32_t value)
{
    for (int shift = 0; shift < 32; shift += 8)
        bytes.append(static_cast<char>((value >> shift) & 0xFF));
}

uint32_t ReadUint32LE(const char* bytes)
{
    const auto* b = reinterpret_cast<const unsigned char*>(bytes);
    return b[0] | b[1] << 8 | b[2] << 16 | static_cast<uint32_t>(b[3]) << 24;
}

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
    AppendUint32LE(record, kOpenKind);
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
    if (ReadUint32LE(record.constData() + sizeof kTag) != kOpenKind)
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
