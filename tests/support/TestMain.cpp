#include "app/LayerServices.h"

#include <clocale>
#include <gtest/gtest.h>

#if defined(__SANITIZE_THREAD__)
#include <dlfcn.h>

#include <cstring>

// The window toolkit's libraries are not built with the thread sanitizer, so
// their own threads and atomics look like races to it. Only a race whose
// accesses are both made inside those libraries is dropped: one that has
// the program's code on either side is reported, whatever called it.
extern "C" {
int __tsan_get_report_data(void* report, const char** description, int* count, int* stackCount,
                           int* mopCount, int* locCount, int* mutexCount, int* threadCount,
                           int* uniqueTidCount, void** sleepTrace, unsigned long traceSize);
int __tsan_get_report_mop(void* report, unsigned long index, int* tid, void** address, int* size,
                          int* write, int* atomic, void** trace, unsigned long traceSize);
}

namespace {

bool InToolkit(void* pc)
{
    static const char* const kLibraries[] = {"libQt6", "libglib-2.0", "libgobject-2.0", "libgio-2.0",
                                             "libfontconfig", "libgst", "libpulse"};
    Dl_info info{};
    if (!dladdr(static_cast<char*>(pc) - 1, &info) || !info.dli_fname)
        return false;
    for (const char* library : kLibraries)
        if (std::strstr(info.dli_fname, library))
            return true;
    return false;
}

bool InSanitizer(void* pc)
{
    Dl_info info{};
    return dladdr(static_cast<char*>(pc) - 1, &info) && info.dli_fname && std::strstr(info.dli_fname, "libtsan");
}

// The innermost frame of the access outside the sanitizer's own interceptors.
bool AccessInToolkit(void* report, int index)
{
    void* trace[16] = {};
    int tid = 0, size = 0, write = 0, atomic = 0;
    void* address = nullptr;
    if (!__tsan_get_report_mop(report, index, &tid, &address, &size, &write, &atomic, trace, 16))
        return false;
    for (void* pc : trace) {
        if (!pc)
            return false;
        if (!InSanitizer(pc))
            return InToolkit(pc);
    }
    return false;
}

}  // namespace

namespace __tsan {
struct ReportDesc;
// The sanitizer asks this of every report before printing it.
bool OnReport(const ReportDesc* report, bool suppressed)
{
    if (suppressed)
        return true;
    void* rep = const_cast<ReportDesc*>(report);
    const char* description = nullptr;
    int count = 0, stacks = 0, mops = 0, locs = 0, mutexes = 0, threads = 0, tids = 0;
    void* sleep = nullptr;
    if (!__tsan_get_report_data(rep, &description, &count, &stacks, &mops, &locs, &mutexes, &threads, &tids,
                                &sleep, 1) ||
        !description || std::strcmp(description, "data-race") != 0 || mops < 2)
        return false;
    for (int i = 0; i < mops; ++i)
        if (!AccessInToolkit(rep, i))
            return false;
    return true;
}
}  // namespace __tsan
#endif

int main(int argc, char** argv)
{
    // Tests see the same numeric locale the program sets at start-up.
    std::setlocale(LC_NUMERIC, "C");
    RegisterLayerServices();
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
