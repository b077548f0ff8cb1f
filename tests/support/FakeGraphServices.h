// Graph services a test watches and steers: redraw requests and the other
// notifications are counted, antialiasing is what the test sets. Installed
// for the object's life; one at a time.
#pragma once

#include "graphmodel/GraphServices.h"

#include <atomic>

class FakeGraphServices {
public:
    FakeGraphServices() : saved_(GetGraphServices())
    {
        redraws = 0;
        workPending = 0;
        modified = 0;
        paneInvalidated = 0;
        cursorUpdates = 0;
        antialias = false;
        benchmark = false;
        GraphServices services;
        services.requestRedraw = [](DocState*) { redraws.fetch_add(1); };
        services.usesAntialiasing = [](const DocState*) { return antialias.load(); };
        services.setGraphWorkPending = [](DocState*) { ++workPending; };
        services.setDocModified = [](bool) { ++modified; };
        services.invalidateGraphPane = [](DocState*) { ++paneInvalidated; };
        services.updateGraphPaneCursor = [] { ++cursorUpdates; };
        services.isBenchmarkRunning = [] { return benchmark.load(); };
        paneRedraws = 0;
        services.redrawGraphPane = [](DocState*) { ++paneRedraws; };
        clicks = 0;
        services.playClickSound = [] { ++clicks; };
        SetGraphServices(services);
    }
    ~FakeGraphServices() { SetGraphServices(saved_); }
    FakeGraphServices(const FakeGraphServices&) = delete;
    FakeGraphServices& operator=(const FakeGraphServices&) = delete;

    static inline std::atomic<int> redraws{0};
    static inline std::atomic<int> workPending{0};
    static inline std::atomic<int> modified{0};
    static inline std::atomic<int> paneInvalidated{0};
    static inline std::atomic<int> cursorUpdates{0};
    static inline std::atomic<bool> antialias{false};
    static inline std::atomic<bool> benchmark{false};
    static inline std::atomic<int> paneRedraws{0};
    static inline std::atomic<int> clicks{0};

private:
    GraphServices saved_;
};
