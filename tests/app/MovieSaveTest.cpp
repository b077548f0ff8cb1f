#include "app/CMainFrame.h"
#include "app/COndrelApp.h"
#include "app/COndrelDoc.h"
#include "platform/CAVIFile.h"
#include "platform/MessageBox.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>

#include <string>

namespace {

uint32_t Read32(const QByteArray& b, qsizetype at)
{
    const auto* p = reinterpret_cast<const uint8_t*>(b.constData() + at);
    return p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24;
}

// Saving a document whose equation uses the slider variable as a movie
// records the animation, a frame per slider step there and back.
TEST(MovieSaveTest, AnAnimationIsSavedFrameByFrame)
{
    QTemporaryDir dir;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, dir.path());
    qputenv("XDG_RUNTIME_DIR", dir.path().toUtf8());
    SetMessageBoxHook([](const std::u16string&, const std::u16string&, MessageBoxIcon, MessageBoxButtons) {
        return true;
    });
    SetAviOptionsHook([] { return true; });
    const QString document = QDir(dir.path()).filePath(QStringLiteral("wave.vlf"));
    {
        QFile file(document);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("Vellumor 4;\rDrawGraph 1;\rSliderSteps 4;\rExpr y=sin(x+n);\r");
    }
    std::string arg = document.toStdString();
    int argc = 2;
    char name[] = "vellumor";
    char* argv[] = {name, arg.data(), nullptr};
    COndrelApp app(argc, argv);
    ASSERT_TRUE(app.InitInstance());
    app.MainFrame()->resize(600, 500);
    const QString movie = QDir(dir.path()).filePath(QStringLiteral("wave.avi"));
    EXPECT_TRUE(app.Document()->SaveToPath(movie, 0));
    QFile file(movie);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    EXPECT_EQ(Read32(bytes, 48), 8u);  // total frames
    app.ExitInstance(0);
    SetAviOptionsHook(nullptr);
    SetMessageBoxHook(nullptr);
}

}  // namespace
