#include "app/COndrelApp.h"

int main(int argc, char** argv)
{
    COndrelApp app(argc, argv);
    if (!app.InitInstance())
        return app.ExitInstance(1);
    return app.ExitInstance(app.exec());
}
