#include "app/COndrelApp.h"

int main(int argc, char** argv)
{
    COndrelApp app(argc, argv);
    // A start that handed its document to a running copy has done its work.
    if (!app.InitInstance())
        return app.ExitInstance(app.HandedOver() ? 0 : 1);
    return app.ExitInstance(app.exec());
}
