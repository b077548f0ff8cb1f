#include "app/COndrelApp.h"
#include "app/VersionCheck.h"

int main(int argc, char** argv)
{
    COndrelApp app(argc, argv);
    // A start that handed its document to a running copy has done its work.
    if (!app.InitInstance())
        return app.ExitInstance(app.HandedOver() ? 0 : 1);
    EnableAutomaticVersionCheck();
    return app.ExitInstance(app.exec());
}
