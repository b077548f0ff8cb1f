// What the drawing floor asks of the equation pane, which lives in a layer
// above it: whether a pane exists, the printer's device context while it
// prints, and a measuring device context of its window. The editor fills the
// hooks at start-up; without them there is no pane.
#pragma once

class PortDC;

// The global device context in which formula text is measured and drawn.
extern PortDC* TypesetDC;

struct EquationPaneHooks {
    bool (*hasView)() = nullptr;
    PortDC* (*printerDC)() = nullptr;
    PortDC* (*viewDC)() = nullptr;
    void (*releaseViewDC)(PortDC* dc) = nullptr;
};

void SetEquationPaneHooks(const EquationPaneHooks& hooks);

// An equation pane exists.
bool HasEquationView();
// The printer's device context while the view prints, else null.
PortDC* GetEquationViewPrinterDC();
// A device context of the view's window: it measures but, outside
// painting, draws nothing. Null without a view.
PortDC* GetEquationViewDC();
void ReleaseEquationViewDC(PortDC* dc);
