// The benchmark: a fixed table of animated graphs, each put into a fresh
// document and played once through its slider steps while the time is
// taken; the 3D ones are then spun for two seconds while frames and
// triangles are counted. At the end a plain-text report with a rating is
// written into a text block of the emptied document. The demo player runs
// it as its mode 4, calling RunBenchmark whenever the next step is due.
#pragma once

#include <cstdint>
#include <string>

class CMainFrame;

struct BenchmarkTest {
    int32_t kind;           // 0 2D or curve; 1 3D; 2 the concentric spheres
    const char* name;
    const char* formula;    // linear formula text
    int32_t sliderMin, sliderMax, steps;
    int32_t mode;           // 0 none, 1 contour plot, 2 density plot
    int32_t transparent;    // 1: opacity 0.7
};

constexpr int32_t kBenchmarkTestCount = 19;
extern const BenchmarkTest BenchmarkTests[kBenchmarkTestCount];
// Tests from this index on are spun after they are timed.
constexpr int32_t kFirstSpunBenchmarkTest = 10;
// The rating is this divided by the sum of all test times in seconds.
constexpr double kBenchmarkRatingScale = 27164.2;

// The pieces of the report (lines end with a carriage return).
std::string FormatBenchmarkHeader(int32_t paneWidth, int32_t paneHeight);
std::string FormatBenchmarkTestName(const BenchmarkTest& test);
std::string FormatBenchmarkSeconds(double seconds);
std::string FormatBenchmarkRates(double frames, double triangles, double seconds, bool is3D);
std::string FormatBenchmarkRating(double totalSeconds);

// How the player paces the step after the one just run.
enum class BenchmarkWait : int32_t {
    GraphsDone,  // fast, once the graphs are complete or the animation swept once
    Time,        // at the due time (ms)
    Finished,    // the player stops
};
struct BenchmarkNext {
    BenchmarkWait wait = BenchmarkWait::GraphsDone;
    uint32_t due = 0;
};

// One benchmark step; with a null frame it only resets the state.
BenchmarkNext RunBenchmark(CMainFrame* frame);
// The player's step in mode 4: RunBenchmark, then the player paced by its answer.
void RunBenchmarkStep();
// The report so far (tests, and the closing note of a run).
std::string GetBenchmarkReport();
// The benchmark's state: -1 before the first step, 0 after a timed test,
// 1 after a spin.
int32_t GetBenchmarkPhase();
