// The record another process sends to ask whether this copy shows a file:
// any bytes are refused or read as a path that makes the same record again.
#include "app/InstanceOpenRequest.h"
#include "fuzz/FuzzCheck.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray record(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    QString path;
    if (!ReadInstanceOpenRequest(record, &path))
        return 0;
    FuzzRequire(!path.isEmpty(), "a read request names a path");
    // A path that starts with a quote loses a pair when made again.
    if (!path.startsWith(QLatin1Char('"')))
        FuzzRequire(MakeInstanceOpenRequest(path) == record, "a read request is made again byte for byte");
    return 0;
}
