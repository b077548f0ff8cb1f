#include "app/ShellServices.h"

#include "app/CGraphView.h"
#include "app/CMainFrame.h"
#include "app/CNewGraphBar.h"
#include "app/DemoPlayer.h"
#include "editor/EquationViewServices.h"

void PresentGraphPane(const ShortRect*)
{
    if (CGraphView* view = GetGraphView())
        view->Present();
}

void TimerProc()
{
    DemoIdleTick();
    if (CMainFrame* frame = GetMainFrame())
        frame->OnIdleWork();
}

bool IsMainFrameMinimised(const CMainFrame* frame)
{
    return frame && frame->isMinimized();
}

bool IsMainFrameForegroundDuringDemo(const CMainFrame* frame)
{
    return frame && frame->IsForegroundDuringDemo();
}

void SetMainFrameSlider(CMainFrame* frame, double minimum, double maximum, int32_t steps, char variable)
{
    if (!frame)
        return;
    if (CNewGraphBar* bar = frame->GraphBar()) {
        bar->SetSliderMinValue(minimum);
        bar->SetSliderMaxValue(maximum);
        bar->SetSliderSteps(steps);
    }
    frame->SetAnimationVariable(variable);
}
