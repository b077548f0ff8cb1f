#include "CoreUtilities/FailureRegister.h"
#include "app/GraphPaneServices.h"
#include "platform/MessageBox.h"
#include "platform/ProgramResources.h"
#include "platform/SoundResource.h"
#include "support/TestApp.h"

#include <QFile>
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>

namespace {

TEST(SoundResource, ClickIsAShortWave)
{
    RegisterProgramResources();
    QFile file(QStringLiteral(":/sounds/click.wav"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    QByteArray bytes = file.readAll();
    ASSERT_GE(bytes.size(), 44);
    EXPECT_EQ(std::memcmp(bytes.constData(), "RIFF", 4), 0);
    EXPECT_EQ(std::memcmp(bytes.constData() + 8, "WAVE", 4), 0);
    // Well under a tenth of a second at 22,050 16-bit mono samples a second.
    EXPECT_LT(bytes.size(), 44 + 2 * 2205);
}

TEST(SoundResource, ClickReturnsAtOnceAndReportsNothingWithoutAudio)
{
    int boxes = 0;
    SetMessageBoxHook([&](const std::u16string&, const std::u16string&, MessageBoxIcon, MessageBoxButtons) {
        ++boxes;
        return true;
    });
    PlaySoundResource("click");  // no application yet: nothing
    TestApp();
    auto started = std::chrono::steady_clock::now();
    for (int i = 0; i < 3; ++i)
        PlayClickSound();
    PlaySoundResource("missing");
    PlaySoundResource(nullptr);
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(2));
    SetMessageBoxHook({});
    EXPECT_EQ(boxes, 0);
    EXPECT_FALSE(IsFailurePending());
}

}  // namespace
