#include "drawing/TypesetDCScope.h"

#include "drawing/DDUtils.h"
#include "drawing/DrawingPort.h"
#include "drawing/EquationPaneHooks.h"

TypesetDCScope::TypesetDCScope(bool forPort)
{
    if (!HasEquationView())
        return;
    PortDC* dc = GetEquationViewDC();
    if (!dc)
        return;
    mustRelease_ = 1;
    Enter(dc, forPort);
}

TypesetDCScope::TypesetDCScope(PortDC* dc, bool forPort)
{
    if (!HasEquationView())
        return;
    Enter(dc, forPort);
}

void TypesetDCScope::Enter(PortDC* dc, bool forPort)
{
    active_ = true;
    dc_ = dc;
    previous_ = TypesetDC;
    TypesetDC = dc;
    if (forPort && CurrentPort && !GetPortDC()) {
        SetPortDC(dc);
        portDCSet_ = 1;
    }
}

TypesetDCScope::~TypesetDCScope()
{
    if (!active_)
        return;
    if (portDCSet_)
        ClearPortDC();
    if (mustRelease_)
        ReleaseEquationViewDC(dc_);
    TypesetDC = previous_;
}
