#include "drawing/ClipRegionSaver.h"

#include "CoreUtilities/FailureRegister.h"
#include "drawing/DrawingPort.h"
#include "drawing/EquationPaneHooks.h"
#include "platform/PortDC.h"
#include "platform/SystemErrorBox.h"

#include <cerrno>

ClipRegionSaver::ClipRegionSaver(const ShortRect& r, bool force)
{
    PortDC* dc = GetPortDC();
    if (!HasEquationView() || !dc)
        return;
    active_ = true;
    saved_ = NewRegion();
    if (!saved_)
        ReportWin32Error(ENOMEM, __FILE__, __LINE__);
    // A device context without a clip region gets "no clip" back at the
    // end, not an empty region that would hide everything drawn after.
    if (saved_ && !dc->GetClipRegion(saved_)) {
        DisposeRegion(saved_);
        saved_ = nullptr;
    }
    if (force || !GetEquationViewPrinterDC())
        ClipPortToRect(r);
}

ClipRegionSaver::~ClipRegionSaver()
{
    if (active_) {
        if (PortDC* dc = GetPortDC())
            dc->SelectClipRegion(saved_);
    }
    DisposeRegion(saved_);
}
