#include "support/TestApp.h"

#include <QApplication>
#include <gtest/gtest.h>

namespace {

QApplication* App = nullptr;

// Destroys the application after the last test, while the rest of the
// process is still whole.
class AppEnvironment : public testing::Environment {
public:
    void TearDown() override
    {
        delete App;
        App = nullptr;
    }
};

}  // namespace

QApplication& TestApp()
{
    static int argc = 1;
    static char name[] = "vellumor-test";
    static char* argv[] = {name, nullptr};
    if (!App) {
        App = new QApplication(argc, argv);
        testing::AddGlobalTestEnvironment(new AppEnvironment);
    }
    return *App;
}
