#include "app/COndrelApp.h"
#include "app/VersionCheck.h"

int main(int argc, char** argv)
{
    COndrelApp app(argc, argv);
    if (!app.InitInstance())
        return app.ExitInstance(1);
    EnableAutomaticVersionCheck();
    return app.ExitInstance(app.exec());
}
