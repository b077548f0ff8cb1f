#include "drawing/EquationPaneHooks.h"

PortDC* TypesetDC = nullptr;

namespace {

EquationPaneHooks Hooks;

}  // namespace

void SetEquationPaneHooks(const EquationPaneHooks& hooks)
{
    Hooks = hooks;
}

bool HasEquationView()
{
    return Hooks.hasView && Hooks.hasView();
}

PortDC* GetEquationViewPrinterDC()
{
    return Hooks.printerDC ? Hooks.printerDC() : nullptr;
}

PortDC* GetEquationViewDC()
{
    return Hooks.viewDC ? Hooks.viewDC() : nullptr;
}

void ReleaseEquationViewDC(PortDC* dc)
{
    if (Hooks.releaseViewDC)
        Hooks.releaseViewDC(dc);
}
