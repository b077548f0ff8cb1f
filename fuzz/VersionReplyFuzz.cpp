// The version server's reply: any bytes, as the network delivers them, read
// for its keys, its release version and its interval.
#include "app/VersionReply.h"
#include "fuzz/FuzzCheck.h"

#include <cstdint>
#include <cstring>
#include <memory>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // An exactly sized heap copy, so that a read past the reply is caught.
    std::unique_ptr<char[]> bytes(new char[size ? size : 1]);
    if (size)
        std::memcpy(bytes.get(), data, size);
    VersionReply reply;
    const bool read = ParseVersionReply(bytes.get(), size, &reply);
    FuzzRequire(read == (size <= kVersionReplyLimit), "only an oversized reply is refused");
    FuzzRequire(reply.releaseVersion.size() <= size && reply.releaseUrl.size() <= size, "values come from the reply");
    if (reply.hasInterval) {
        FuzzRequire(reply.intervalSeconds >= kMinimumQueryIntervalMinutes * 60 &&
                        reply.intervalSeconds <= kMaximumQueryIntervalMinutes * 60,
                    "the interval stays in its range");
    }
    int32_t release[4];
    if (ParseReleaseVersion(reply.releaseVersion, release)) {
        const uint32_t program[4] = {4, 0, 0, 12};
        IsNewerRelease(program, release);
    }
    IsDownloadAddress(reply.releaseUrl);
    return 0;
}
