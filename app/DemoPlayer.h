// The demonstration player: reads a tour's script a line at a time, types
// its keystrokes into the equation pane, sets the animation slider, shows
// captions in the demo dialog and moves the pointer along gestures that
// press, drag and release on the panes. It never blocks: the frame's idle
// work and timer call DemoIdleTick, which does one small step. The same
// state machine runs the examples tour, the full demo and the benchmark.
// User-interface thread only.
#pragma once

#include "CoreUtilities/ShortRect.h"

#include <cstdint>
#include <string>
#include <string_view>

enum DemoMode : int32_t {
    DemoOff = 0,
    DemoSingle = 1,
    DemoExamplesTour = 2,
    DemoFull = 3,
    DemoBenchmark = 4,
};

// Types 1 to 9 have scripts (message texts 50 + type; 2 and 6 are empty);
// types above read message 50, the one line that opens an example.
constexpr int32_t ScriptCount = 9;
constexpr int32_t kDemoKeystrokeUnits = 258;
constexpr int32_t kDemoLineUnits = 255;

// One gesture: glide to from, press, drag to to, release, rest. Times in
// ticks; press 0 none, 1 down and up, 2 a click, 3 with Alt, 4 with Ctrl;
// target 0 the equation pane, 1 the graph pane, 2 the splitter.
struct DemoGesture {
    int32_t from;
    int32_t to;
    int16_t approach;
    int16_t drag;
    int16_t hold;
    int16_t press;
    int32_t target;
};

// The point ids a gesture names (DemoGesturePoint turns them into screen
// positions).
enum DemoPoint : int32_t {
    DemoPointPointer = 0,
    DemoPointDivider = 1,
    DemoPointDividerTarget = 2,
    DemoPointGraphCentre = 3,
    DemoPointUpRight = 4,
    DemoPointEquationPane = 5,
    DemoPointFrame = 6,
    DemoPointGraphCentre2 = 7,
    DemoPointRight = 8,
    DemoPointDownLeft = 9,
    DemoPointRightOfY = 10,
    DemoPointBLeft = 11,
    DemoPointBCentre = 12,
    DemoPointBRight = 13,
};

// Letters 'A' to 'L'.
constexpr int32_t kDemoGestureCount = 12;
extern const DemoGesture kDemoGestures[kDemoGestureCount];

// One script line taken apart: the keystrokes before the first TAB, an
// optional slider range "n=min,max,steps" and an optional caption in
// apostrophes (its characters narrowed to 8 bits).
struct DemoScriptLine {
    std::u16string keystrokes;
    bool hasRange = false;
    int32_t rangeMin = 0;
    int32_t rangeMax = 0;
    int32_t rangeSteps = 0;
    bool hasCaption = false;
    std::string caption;
};
DemoScriptLine ParseDemoScriptLine(std::u16string_view line);

// The player's state, one per process.
struct DemoPlayerState {
    int32_t mode = DemoOff;
    int32_t startedType = 0;
    int32_t currentType = 0;
    int32_t scriptPosition = 0;
    char16_t keystrokes[kDemoKeystrokeUnits] = {};
    int32_t typingPosition = 0;
    bool lineDone = false;
    uint32_t nextDue = 0;
    uint32_t lastTick = 0;
    // Milliseconds; 240 ticks, where the demo dialog's speed slider starts.
    int32_t pause = 4000;
    bool fast = false;
    bool stepBack = false;
    bool keepDocument = false;
    int32_t gestureLetter = 0;
    int32_t gestureState = 0;  // 0 none, 1 approach, 2 drag, 3 hold
    uint32_t phaseStart = 0;
    DemoGesture gesture{};
    ShortPoint startPoint{0, 0};
    ShortPoint lastPointSet{0, 0};
    bool pointSet = false;
    uint32_t holdUntil = 0;
};
const DemoPlayerState& GetDemoPlayerState();

int32_t GetDemoMode();
// Sets the mode alone, starting nothing: for tests of the parts that read it.
void SetDemoMode(int32_t mode);
// A demonstration or the benchmark runs.
bool IsDemoRunning();
bool IsBenchmarkRunning();

// The examples of the examples folder, and the menu types of the tours.
int32_t ExampleCount();
bool IsFullDemoType(int32_t type);
bool IsExamplesTourType(int32_t type);

// The Demo menu's and the demo dialog's entry: starts the tour of the type,
// or stops it when it is the one running.
void DemoCommand(int32_t type);
// Starts the mode (1-4) with the type, or with kind 0 stops the player.
void StartDemo(int32_t kind, int32_t type);
// One step of the player; nothing unless a demonstration runs.
void DemoIdleTick();
// The dialog's Prev (back) and Next.
void RestartDemoStep(bool back, bool fast);
// The pause after each line, in ticks.
void SetDemoSpeed(int32_t ticks);
// The user paused (true) or resumed the demonstration.
void SetDemoUserInput(bool paused);
// The user moves the mouse during a demonstration: the panes accept it.
bool IsUserMouseActive();

// The current type's script and its length.
void ReadDemoScript(const char16_t** text, int32_t* length);
void ReadDemoScriptLine();
void RunDemoScriptLine();
// An empty document with one empty equation line and default views.
void ClearDemoDocument();
void TypeDemoChars();
void TypeDemoChar(char16_t ch);
void StartDemoGesture(int32_t letter);
void AnimateDemoGesture();
// No screen saver starts while a demonstration plays.
void KeepDisplayAwake();

// The pointer's screen position, and the pointer moved to a packed point:
// v in the high 16 bits, h in the low.
ShortPoint GetCursorPosition();
void SetCursorPosition(int32_t packed);

// The benchmark's step, run when the next step is due in mode 4.
using BenchmarkStepFunction = void (*)();
void SetBenchmarkStep(BenchmarkStepFunction step);
// The benchmark paces its next step: with lineDone clear the player waits
// for the graphs (fast), else it runs the step at nextDue.
void SetDemoPacing(bool lineDone, bool fast, uint32_t nextDue);

// Where the player reads the time and the line it parsed last (tests).
const DemoScriptLine& LastDemoScriptLine();
