#include "app/DemoPlayer.h"

#include "app/CMainFrame.h"
#include "app/COndrelApp.h"
#include "app/COndrelDoc.h"
#include "app/ExamplesMenu.h"
#include "app/GraphPaneServices.h"
#include "CoreUtilities/Clock.h"
#include "drawing/TypesetDCScope.h"
#include "document/DocLine.h"
#include "document/DocState.h"
#include "editor/COndrelView.h"
#include "editor/EditorCommands.h"
#include "editor/EquationViewServices.h"
#include "editor/TypesetDriver.h"
#include "formula/EditorState.h"
#include "graphs2d/GraphSet.h"
#include "platform/MessageText.h"
#include "platform/NumberText.h"

#include <QCursor>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QElapsedTimer>

#include <algorithm>
#include <charconv>

namespace {

constexpr int32_t kTypingTicks = 15;
constexpr int32_t kFastTypingTicks = 999;
constexpr int32_t kUserMouseTicks = 120;
// Keystrokes beyond this many in a line are typed without a redraw each.
constexpr int32_t kRedrawnKeystrokes = 20;

DemoPlayerState Player;
DemoScriptLine LastLine;
BenchmarkStepFunction BenchmarkStep = nullptr;
// The speed the user chose: position 10 of the slider types without pause.
bool SpeedFast = false;

GraphSet* Graphs()
{
    return dynamic_cast<GraphSet*>(GetDocState()->Graphs);
}

// Wrap-safe: the clock's readings are compared by their difference.
bool Reached(uint32_t now, uint32_t due)
{
    return static_cast<int32_t>(now - due) >= 0;
}

int32_t KeystrokeCount()
{
    int32_t n = 0;
    while (n < kDemoKeystrokeUnits - 1 && Player.keystrokes[n])
        ++n;
    return n;
}

void SetKeystrokes(std::u16string_view keys)
{
    const size_t n = std::min<size_t>(keys.size(), kDemoKeystrokeUnits - 1);
    std::copy_n(keys.begin(), n, Player.keystrokes);
    Player.keystrokes[n] = 0;
}

bool IsLineEnd(char16_t c)
{
    return c == u'\n' || c == u'\r';
}

// The start of each line of the script, in order.
std::vector<int32_t> LineStarts(const char16_t* text, int32_t length)
{
    std::vector<int32_t> starts;
    int32_t p = 0;
    while (p < length) {
        starts.push_back(p);
        while (p < length && !IsLineEnd(text[p]))
            ++p;
        if (p < length)
            ++p;
    }
    return starts;
}

int32_t LastType()
{
    return ScriptCount + ExampleCount();
}

bool IsExampleType(int32_t type)
{
    return type > ScriptCount;
}

// A script worth reading in the full demo: separators are passed over.
bool IsPlayableScript(int32_t type)
{
    const char16_t* text = nullptr;
    int32_t length = 0;
    Player.currentType = type;
    ReadDemoScript(&text, &length);
    return length >= 3;
}

// Moves the read position one line back from the line just read.
void StepReadPositionBack()
{
    const char16_t* text = nullptr;
    int32_t length = 0;
    ReadDemoScript(&text, &length);
    const int32_t type = Player.currentType;
    if (type == 1 || IsExampleType(type)) {
        if (Player.mode == DemoExamplesTour)
            Player.currentType = type > ScriptCount + 1 ? type - 1 : LastType();
        Player.scriptPosition = 0;
        return;
    }
    const std::vector<int32_t> starts = LineStarts(text, length);
    // The line just read is the last that starts before the position.
    int32_t just = -1;
    for (size_t i = 0; i < starts.size(); ++i) {
        if (starts[i] < Player.scriptPosition)
            just = static_cast<int32_t>(i);
    }
    const int32_t target = just - 1;
    if (target >= 0) {
        Player.scriptPosition = starts[target];
        return;
    }
    if (Player.mode != DemoFull) {
        Player.scriptPosition = starts.empty() ? 0 : starts.back();
        return;
    }
    // The previous playable script, from its next-to-last line.
    const int32_t last = LastType();
    int32_t previous = type;
    for (int32_t tries = 0; tries < last; ++tries) {
        previous = previous > 1 ? previous - 1 : last;
        if (IsPlayableScript(previous))
            break;
    }
    Player.currentType = previous;
    ReadDemoScript(&text, &length);
    const std::vector<int32_t> before = LineStarts(text, length);
    Player.scriptPosition = before.size() >= 2 ? before[before.size() - 2] : 0;
}

// Puts the read position on a line that can be read forward: the next
// example of a tour, the next playable script of the full demo, the top of
// a single demo's script. False when there is nothing to read at all.
bool FindReadableLine(const char16_t** text, int32_t* length)
{
    ReadDemoScript(text, length);
    switch (Player.mode) {
    case DemoExamplesTour:
        if (Player.scriptPosition >= *length) {
            const int32_t count = ExampleCount();
            if (count <= 0)
                return false;
            const int32_t next = Player.currentType + 1;
            Player.currentType = next > ScriptCount + count ? ScriptCount + 1 : next;
            Player.scriptPosition = 0;
            ReadDemoScript(text, length);
        }
        return *length > 0;
    case DemoFull: {
        const int32_t cycle = LastType();
        for (int32_t tries = 0; tries <= cycle && (Player.scriptPosition >= *length || *length < 3); ++tries) {
            int32_t type = Player.currentType % cycle + 1;
            if (type == 1 && Player.fast)
                type = 2;
            Player.currentType = type;
            Player.scriptPosition = 0;
            ReadDemoScript(text, length);
        }
        return Player.scriptPosition < *length && *length >= 3;
    }
    default:
        if (Player.scriptPosition >= *length)
            Player.scriptPosition = 0;
        return *length > 0;
    }
}

void ApplyRange(const DemoScriptLine& line)
{
    DocState* doc = GetDocState();
    doc->SliderMin = line.rangeMin;
    doc->SliderMax = line.rangeMax;
    // A document's slider keeps its steps within what the dialog allows.
    doc->SliderSteps = static_cast<int16_t>(std::clamp(line.rangeSteps, 1, 500));
    doc->SliderVariable = 'n';
    doc->SetAnimationSliderPosition(0);
    SyncGraphBarSlider();
}

void ShowCaption(const DemoScriptLine& line)
{
    if (!line.hasCaption)
        return;
    if (CMainFrame* frame = GetMainFrame())
        frame->SetDemoCaption(QString::fromLatin1(line.caption.data(), static_cast<qsizetype>(line.caption.size())));
}

// The keystrokes of a line are typed: the document follows.
void FinishTypedLine(char16_t last)
{
    DocState* doc = GetDocState();
    doc->Recompute();
    if (doc->AnyLineUsesSliderVariable())
        doc->PlayAnimation();
    GraphSet* graphs = Graphs();
    if (graphs)
        graphs->MarkRenderContextsDirty();
    // "y=ax+b" is typed to be taken apart, not drawn.
    if (last != u'b')
        DrawGraphInPane();
    if (graphs && graphs->HasSecondView())
        graphs->Zoom(6, WhichBoth);
    Player.gestureState = 0;
    Player.typingPosition = 0;
    Player.keystrokes[0] = 0;
}

void RunCommand(EditorCommandCode code)
{
    DocState* doc = GetDocState();
    TypesetDCScope typeset(true);
    RunEditorCommand(code, static_cast<uint32_t>(code), doc->CurrentFormula(), GetEquationView());
}

void Set4DView(int32_t preset, int32_t plane, double angle)
{
    GraphSet* graphs = Graphs();
    if (!graphs)
        return;
    graphs->Set4DViewOption(16, preset);
    if (plane)
        graphs->Set4DViewOption(plane, angle);
}

void TypeKey(uint32_t key)
{
    const int32_t count = KeystrokeCount();
    TypeDemoKey(key);
    // The first keys and the last show as they are typed; a long line's
    // middle is drawn with its end.
    const bool shown = Player.typingPosition <= kRedrawnKeystrokes || Player.typingPosition == count;
    if (shown && !IsBenchmarkRunning()) {
        if (COndrelView* view = GetEquationView())
            view->repaint();
    }
}

void PutPointer(ShortPoint p)
{
    SetCursorPosition(static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint16_t>(p.v)) << 16 |
                                           static_cast<uint16_t>(p.h)));
    Player.lastPointSet = p;
    Player.pointSet = true;
}

bool PointerMovedByUser()
{
    if (!Player.pointSet)
        return false;
    const ShortPoint p = GetCursorPosition();
    return p.v != Player.lastPointSet.v || p.h != Player.lastPointSet.h;
}

ShortPoint GesturePoint(int32_t id)
{
    CMainFrame* frame = GetMainFrame();
    return frame ? frame->DemoGesturePoint(id) : GetCursorPosition();
}

void StopPlayer()
{
    DocState* doc = GetDocState();
    Player.mode = DemoOff;
    Player.startedType = Player.currentType = 0;
    Player.scriptPosition = Player.typingPosition = Player.gestureState = 0;
    Player.keystrokes[0] = 0;
    Player.stepBack = Player.keepDocument = false;
    Player.nextDue = Player.lastTick = 1;
    CMainFrame* frame = GetMainFrame();
    if (frame)
        frame->UpdateMenusForDemo();
    doc->ClearEditHint();
    doc->StopAnimation();
    GraphSet* graphs = Graphs();
    if (graphs && doc->IsGraphPaneShown())
        graphs->SetViewOption(1, WhichBoth);
    if (COndrelDoc* document = GetDocument())
        document->SetModifiedFlag(false);
    doc->demoPaused = false;
    Player.lineDone = false;
    Player.fast = false;
    if (frame)
        frame->UpdateGraphBar();
}

}  // namespace

const DemoGesture kDemoGestures[kDemoGestureCount] = {
    {1, 2, 60, 60, 30, 1, 2},     // A: the pane divider down (or right)
    {1, 6, 15, 60, 30, 1, 2},     // B: the divider back
    {3, 4, 60, 180, 30, 3, 1},    // C: the 2D graph up and right
    {0, 9, 10, 180, 30, 3, 1},    // D: back down and left
    {3, 8, 120, 180, 30, 4, 1},   // E: traces along the curve from the centre
    {0, 8, 30, 180, 30, 4, 1},    // F: traces further right
    {7, 0, 180, 10, 10, 2, 1},    // G: a click stops the 3D graph's spin
    {7, 8, 30, 180, 30, 1, 1},    // H: a drag spins the 3D graph
    {11, 13, 90, 60, 30, 1, 0},   // I: selects the term b
    {12, 10, 15, 150, 15, 1, 0},  // J: drags b to the right of y
    {0, 6, 15, 30, 15, 0, 2},     // K: the pointer to the frame
    {0, 5, 15, 60, 15, 0, 2},     // L: the pointer into the equation pane
};

DemoScriptLine ParseDemoScriptLine(std::u16string_view line)
{
    DemoScriptLine out;
    size_t end = 0;
    while (end < line.size() && !IsLineEnd(line[end]))
        ++end;
    line = line.substr(0, std::min<size_t>(end, kDemoLineUnits));
    size_t p = line.find(u'\t');
    out.keystrokes = std::u16string(line.substr(0, std::min(p, line.size())));
    if (p == std::u16string_view::npos)
        return out;
    auto skipTabs = [&] {
        while (p < line.size() && line[p] == u'\t')
            ++p;
    };
    auto number = [&] {
        std::string digits;
        while (p < line.size() && ((line[p] >= u'0' && line[p] <= u'9') || line[p] == u'-'))
            digits.push_back(static_cast<char>(line[p++]));
        double value = 0;
        std::from_chars(digits.data(), digits.data() + digits.size(), value);
        return static_cast<int32_t>(std::clamp(value, -2e9, 2e9));
    };
    skipTabs();
    if (p < line.size() && line[p] == u'n') {
        p += 2;
        out.hasRange = true;
        out.rangeMin = number();
        ++p;
        out.rangeMax = number();
        ++p;
        out.rangeSteps = number();
        skipTabs();
    }
    if (p < line.size() && line[p] == u'\'') {
        out.hasCaption = true;
        for (++p; p < line.size() && line[p] != u'\''; ++p)
            out.caption.push_back(static_cast<char>(line[p] & 0xFF));
    }
    return out;
}

const DemoPlayerState& GetDemoPlayerState()
{
    return Player;
}

const DemoScriptLine& LastDemoScriptLine()
{
    return LastLine;
}

int32_t GetDemoMode()
{
    return Player.mode;
}

void SetDemoMode(int32_t mode)
{
    Player.mode = mode;
}

bool IsDemoRunning()
{
    return Player.mode != DemoOff;
}

bool IsBenchmarkRunning()
{
    return Player.mode == DemoBenchmark;
}

int32_t ExampleCount()
{
    return CountExamples();
}

bool IsFullDemoType(int32_t type)
{
    if (IsBenchmarkRunning())
        return false;
    return type == ScriptCount + (ExampleCount() >= 1 ? 3 : 2);
}

bool IsExamplesTourType(int32_t type)
{
    return !IsBenchmarkRunning() && ExampleCount() >= 1 && type == ScriptCount + 2;
}

void DemoCommand(int32_t type)
{
    if (IsDemoRunning() && type == Player.startedType)
        StartDemo(0, 0);
    else if (IsFullDemoType(type))
        StartDemo(DemoFull, type);
    else if (IsExamplesTourType(type))
        StartDemo(DemoExamplesTour, type);
    else
        StartDemo(DemoSingle, type);
}

void StartDemo(int32_t kind, int32_t type)
{
    if (kind == DemoOff) {
        if (IsDemoRunning())
            StopPlayer();
        return;
    }
    DocState* doc = GetDocState();
    Player.mode = kind;
    Player.startedType = Player.currentType = type;
    Player.scriptPosition = Player.gestureState = Player.typingPosition = 0;
    Player.keystrokes[0] = 0;
    Player.stepBack = Player.fast = false;
    Player.nextDue = Player.lastTick = 1;
    // Where the pointer was put before belongs to an earlier run.
    Player.pointSet = false;
    Player.holdUntil = 0;
    if (GraphSet* graphs = Graphs())
        graphs->ClearTraces();
    CMainFrame* frame = GetMainFrame();
    if (frame) {
        frame->UpdateGraphBar();
        frame->PrepareDemoDocument(type);
    }
    Player.keepDocument = false;
    if (kind == DemoFull)
        Player.currentType = 1;
    else if (kind == DemoExamplesTour)
        Player.currentType = ScriptCount + 1;
    if (frame)
        frame->UpdateMenusForDemo();
    Player.lineDone = true;
    Player.fast = kind == DemoBenchmark || SpeedFast;
    if (doc->IsDemoPaused()) {
        doc->demoPaused = false;
        DemoIdleTick();
        doc->demoPaused = IsDemoRunning();
    }
}

void DemoIdleTick()
{
    if (!IsDemoRunning())
        return;
    KeepDisplayAwake();
    DocState* doc = GetDocState();
    uint32_t now = ClockMilliseconds();
    if (Player.typingPosition < KeystrokeCount()) {
        TypeDemoChars();
    } else if (Player.gestureState != 0) {
        if (IsDemoInForeground())
            AnimateDemoGesture();
        else if (Player.mode == DemoFull)
            RestartDemoStep(false, false);
    } else if (!Player.lineDone) {
        GraphSet* graphs = Graphs();
        const bool complete = (!graphs || graphs->AreAllComplete()) && !doc->GraphWorkPending;
        // An animation of a line that could not be graphed never steps.
        const bool stalled =
            doc->IsAnimating() && doc->analysisFinished && doc->GraphBuildPhase == 0 && !doc->DrawGraph;
        if ((complete && !doc->IsAnimating()) || stalled || AnimationSweepDone) {
            Player.lineDone = true;
            const bool noPause = IsBenchmarkRunning() || Player.currentType == 1;
            Player.nextDue = now + (noPause ? 0 : static_cast<uint32_t>(Player.pause));
        }
    } else if (!doc->IsDemoPaused() && Reached(now, Player.nextDue)) {
        const int32_t type = Player.currentType;
        if (type >= 2 && type <= ScriptCount && !Player.keepDocument && !IsBenchmarkRunning())
            ClearDemoDocument();
        AnimationSweepDone = false;
        if (IsBenchmarkRunning()) {
            if (BenchmarkStep)
                BenchmarkStep();
        } else {
            ReadDemoScriptLine();
            RunDemoScriptLine();
        }
    }
    Player.lastTick = ClockMilliseconds();
}

void RestartDemoStep(bool back, bool fast)
{
    if (!IsDemoRunning())
        return;
    if (Player.mode == DemoFull && !back && Player.currentType == 1) {
        Player.currentType = 2;
        Player.scriptPosition = 0;
    }
    Player.nextDue = ClockMilliseconds();
    Player.lastTick = 1;
    Player.gestureState = Player.typingPosition = 0;
    Player.keystrokes[0] = 0;
    Player.lineDone = true;
    Player.stepBack = back;
    Player.fast = fast;
    GetDocState()->StopGraphing();
}

void SetDemoSpeed(int32_t ticks)
{
    Player.pause = TicksToMilliseconds(std::max(ticks, 0));
    Player.nextDue = Player.lastTick + static_cast<uint32_t>(Player.pause);
    Player.fast = ticks < 2;
    SpeedFast = Player.fast;
}

void SetDemoUserInput(bool paused)
{
    if (IsDemoRunning())
        GetDocState()->demoPaused = paused;
}

bool IsUserMouseActive()
{
    if (!IsDemoRunning())
        return false;
    return !Reached(ClockMilliseconds(), Player.holdUntil) || PointerMovedByUser();
}

void ReadDemoScript(const char16_t** text, int32_t* length)
{
    const int32_t type = Player.currentType;
    const int32_t code = type >= 1 && type <= ScriptCount ? 50 + type : 50;
    *text = GetMessageText(code);
    *length = static_cast<int32_t>(std::char_traits<char16_t>::length(*text));
}

void ReadDemoScriptLine()
{
    const char16_t* text = nullptr;
    int32_t length = 0;
    if (Player.stepBack) {
        StepReadPositionBack();
        Player.stepBack = false;
    }
    if (!FindReadableLine(&text, &length)) {
        LastLine = DemoScriptLine{};
        return;
    }
    int32_t p = std::clamp(Player.scriptPosition, 0, length);
    int32_t end = p;
    while (end < length && !IsLineEnd(text[end]))
        ++end;
    LastLine = ParseDemoScriptLine(std::u16string_view(text + p, static_cast<size_t>(end - p)));
    Player.scriptPosition = end < length ? end + 1 : end;
}

void RunDemoScriptLine()
{
    const DemoScriptLine& line = LastLine;
    if (line.hasRange)
        ApplyRange(line);
    ShowCaption(line);
    SetKeystrokes(line.keystrokes);
    Player.typingPosition = 0;
    Player.lineDone = false;
    if (line.keystrokes.size() != 1)
        return;
    const char16_t command = line.keystrokes[0];
    Player.keystrokes[0] = 0;
    if (command == u'$') {
        ClearDemoDocument();
    } else if (command == u'e') {
        OpenCurrentTourExample();
    } else if (command >= u'A' && command < u'A' + kDemoGestureCount) {
        StartDemoGesture(command);
    }
}

void ClearDemoDocument()
{
    DocState* doc = GetDocState();
    doc->Recompute();
    if (doc->Graphs)
        doc->Graphs->ClearAllGraphs();
    doc->FreeLines();
    doc->InsertEquationLine();
    if (GraphSet* graphs = Graphs())
        graphs->Zoom(6, WhichBoth);
    InvalidateEquationLayout();
}

void TypeDemoChars()
{
    const uint32_t start = ClockMilliseconds();
    const uint32_t budget = static_cast<uint32_t>(TicksToMilliseconds(Player.fast ? kFastTypingTicks : kTypingTicks));
    const int32_t count = KeystrokeCount();
    while (Player.typingPosition < count) {
        const char16_t ch = Player.keystrokes[Player.typingPosition++];
        TypeDemoChar(ch);
        if (!IsDemoRunning())
            return;
        if (Player.typingPosition == count) {
            FinishTypedLine(ch);
            return;
        }
        if (ClockMilliseconds() - start >= budget)
            return;
    }
}

void TypeDemoChar(char16_t ch)
{
    DocState* doc = GetDocState();
    if (doc->EditMode != EditFormula || doc->currentLine < 0 || doc->currentLine >= doc->Lines.count)
        return;
    SetCurrentEditorState(doc->CurrentFormula());
    DocLine* line = doc->CurrentLine();
    GraphSet* graphs = Graphs();
    switch (ch) {
    case 0x01: Set4DView(4, 37, 180); Player.keepDocument = true; break;
    case 0x02: Set4DView(4, 34, 180); break;
    case 0x03: Set4DView(4, 36, 135); break;
    case 0x04: Set4DView(6, 36, 180); break;
    case 0x05: Set4DView(6, 32, 135); break;
    case 0x06: Set4DView(7, 34, 180); break;
    case 0x07: Set4DView(7, 33, 180); break;
    case 0x08: Set4DView(7, 32, 180); Player.keepDocument = false; break;
    case 0x10: Set4DView(6, 0, 0); break;
    case 0x11: Set4DView(7, 0, 0); break;
    case 0x12: Set4DView(5, 0, 0); break;
    case 0x13: RunCommand(6336); break;
    case 0x14: RunCommand(4112); break;
    case 0x15: RunCommand(4904); break;
    case 0x16: RunCommand(5641); break;
    case 0x17: doc->SetLineGrain(0.2); break;
    case 0x19: doc->SetLineGrain(0); break;
    case u'?': doc->SetLineGrain(1); break;
    case 0x18: RunCommand(4145); break;
    case u'#': RunCommand(4884); break;
    case u'~': RunCommand(4172); break;
    case u',': RunCommand(6407); break;
    case u'B': RunCommand(8705); break;
    case u'P': RunCommand(8706); break;
    case u'E': RunCommand(6330); break;
    case u'U': RunCommand(6408); break;
    case u'V': RunCommand(6323); break;
    case u'W': RunCommand(6324); break;
    case u'A': {
        TypesetDCScope typeset(true);
        SelectEntireFormula();
        break;
    }
    case u'N': doc->InsertEquationLine(); break;
    case u'C': doc->SetCurrentLineXYType(3); break;
    case u'D': doc->SetCurrentLineXYType(2); break;
    case u'S': line->Opacity = 0.7; break;
    case u'F': line->Color = 2; break;
    case u'G': line->Color = 13; break;
    case u'H': line->Color = 10; break;
    case u'I': line->Color = 5; break;
    case u'J': line->Color = 14; break;
    case u'K': line->Color = 6; break;
    case u'L': line->Color = 7; break;
    case u'M': line->Color = 15; break;
    case u'Q': line->Color = 16; break;
    case u'X':
        if (CMainFrame* frame = GetMainFrame())
            frame->InsertDemoPicture();
        break;
    case u'Y':
    case u'Z':
        if (graphs)
            graphs->Zoom(ch == u'Y' ? 0 : 3, WhichBoth);
        break;
    case u'T': TypeKey(9); break;
    case u'%': TypeKey(kKeyRight); break;
    case u'&': TypeKey(kKeyUp); break;
    case u'.': TypeKey(GetLocaleDecimalSeparator()); break;
    default: TypeKey(ch); break;
    }
    InvalidateEquationLayout();
}

void StartDemoGesture(int32_t letter)
{
    const int32_t index = letter - 'A';
    if (index < 0 || index >= kDemoGestureCount)
        return;
    Player.gestureLetter = letter;
    Player.gesture = kDemoGestures[index];
    Player.gestureState = 1;
    Player.phaseStart = ClockMilliseconds();
    Player.startPoint = GetCursorPosition();
}

void AnimateDemoGesture()
{
    const uint32_t now = ClockMilliseconds();
    if (PointerMovedByUser()) {
        Player.lastPointSet = GetCursorPosition();
        Player.holdUntil = now + static_cast<uint32_t>(TicksToMilliseconds(kUserMouseTicks));
        return;
    }
    if (!Reached(now, Player.holdUntil))
        return;
    const DemoGesture& g = Player.gesture;
    CMainFrame* frame = GetMainFrame();
    const uint32_t elapsed = now - Player.phaseStart;
    auto passed = [&](int16_t ticks) { return elapsed >= static_cast<uint32_t>(TicksToMilliseconds(ticks)); };
    if (Player.gestureState == 1 && passed(g.approach)) {
        Player.gestureState = 2;
        Player.phaseStart = now;
        Player.startPoint = GesturePoint(g.from);
        if (g.press != 0 && IsDemoInForeground() && frame) {
            PutPointer(Player.startPoint);
            frame->DemoMouseDown(g.press, g.target);
        }
    } else if (Player.gestureState == 2 && passed(g.drag)) {
        Player.gestureState = 3;
        Player.phaseStart = now;
        Player.startPoint = GesturePoint(g.to);
        if (frame)
            frame->DemoMouseUp(g.target);
    } else if (Player.gestureState == 3 && passed(g.hold)) {
        Player.gestureState = 0;
        Player.phaseStart = 0;
        Player.startPoint = ShortPoint{0, 0};
        return;
    }
    if (Player.gestureState == 0)
        return;
    const int16_t length = Player.gestureState == 1 ? g.approach : Player.gestureState == 2 ? g.drag : g.hold;
    const ShortPoint goal = Player.gestureState == 1 ? GesturePoint(g.from)
        : Player.gestureState == 2                   ? GesturePoint(g.to)
                                                     : Player.startPoint;
    const int32_t span = std::max(TicksToMilliseconds(length), 1);
    const double f = std::min(1.0, static_cast<double>(now - Player.phaseStart) / span);
    const ShortPoint s = Player.startPoint;
    const ShortPoint p{static_cast<int16_t>(s.v + (goal.v - s.v) * f), static_cast<int16_t>(s.h + (goal.h - s.h) * f)};
    PutPointer(p);
    if (Player.gestureState == 2 && frame)
        frame->DemoMouseMove(g.target);
}

ShortPoint GetCursorPosition()
{
    const QPoint p = QCursor::pos();
    return ShortPoint{static_cast<int16_t>(p.y()), static_cast<int16_t>(p.x())};
}

void SetCursorPosition(int32_t packed)
{
    const auto v = static_cast<int16_t>(static_cast<uint32_t>(packed) >> 16);
    const auto h = static_cast<int16_t>(packed & 0xFFFF);
    QCursor::setPos(h, v);
}

void KeepDisplayAwake()
{
    // The desktop's screen saver and display power-off count from the last
    // user activity, which the player's pointer moves are not: the session
    // is told of activity, at most every 20 seconds and without waiting for
    // an answer. Without a session bus there is nobody to tell (and none is
    // started for it).
    static QElapsedTimer sinceTold;
    if (sinceTold.isValid() && sinceTold.elapsed() < 20000)
        return;
    sinceTold.start();
    if (!qEnvironmentVariableIsSet("DBUS_SESSION_BUS_ADDRESS"))
        return;
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return;
    bus.call(QDBusMessage::createMethodCall("org.freedesktop.ScreenSaver", "/ScreenSaver", "org.freedesktop.ScreenSaver",
                                            "SimulateUserActivity"),
             QDBus::NoBlock);
}

void SetBenchmarkStep(BenchmarkStepFunction step)
{
    BenchmarkStep = step;
}

void SetDemoPacing(bool lineDone, bool fast, uint32_t nextDue)
{
    Player.lineDone = lineDone;
    Player.fast = fast;
    Player.nextDue = nextDue;
}
