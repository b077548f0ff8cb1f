#include "platform/MessageBox.h"
#include "platform/MessageText.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(MessageTextTest, Table)
{
    struct Row {
        int code;
        const char16_t* text;
    } rows[] = {
        {0, u"Internal Error"},
        {61, u"Internal Error"},
        {-5, u"Internal Error"},
        {38, u"Internal Error"},
        {46, u"Internal Error"},
        {52, u""},
        {56, u""},
        {1, u"Undefined in the region shown"},
        {30, u"Use \"y\" instead of \"f(x)\"."},
        {35, u"[false, true]"},
        {36, u"There is not enough memory available to draw the requested graph. Quitting other "
             u"applications may enable the graph to be drawn."},
        {41, u"Sorry, Vellumor does not recognize this file. It was either damaged or it is not a "
             u"Vellumor file."},
        {49, u"Rendering error."},
        {50, u"e\t'This is an example from the Examples menu.'\n"},
    };
    for (const Row& row : rows)
        EXPECT_EQ(std::u16string(GetMessageText(row.code)), row.text) << row.code;
}

TEST(MessageTextTest, TextsKeepTheirShape)
{
    EXPECT_EQ(std::u16string(GetMessageText(51)).size(), 350u);
    std::u16string newer = GetMessageText(47);
    EXPECT_EQ(newer.rfind(u"This document cannot be opened because it was created by a newer version "
                          u"of Vellumor.\r\r",
                          0),
              0u);
    struct Opening {
        int code;
        const char16_t* first;
    } openings[] = {
        {53, u"y=x^2%\t\t\t'To graph a 2D curve, type a function of x, starting with y=.'\n"},
        {54, u"Hz=xy\t\t\t\t\t\t\t'To graph a 3D surface, type a function of x and y, starting with z=.'\n"},
        {55, u"x^2%+y^2%<2^2%\t\t\t'Inequalities are relations in x and y, like this circle.'\n"},
        {57, u"V1T1\t'A point is has zero dimensions: no length, no area, no volume.'\n"},
        {59, u"y=e^x\t'Here we have the familiar exponential function of a real variable.'\n"},
    };
    for (const Opening& o : openings)
        EXPECT_EQ(std::u16string(GetMessageText(o.code)).rfind(o.first, 0), 0u) << o.code;
}

TEST(MessageTextTest, ShowMessageCodeUsesTheProgramTitle)
{
    std::u16string text, caption;
    SetMessageBoxHook([&](const std::u16string& t, const std::u16string& c, MessageBoxIcon icon,
                          MessageBoxButtons buttons) {
        text = t;
        caption = c;
        EXPECT_EQ(icon, MessageBoxIcon::None);
        EXPECT_EQ(buttons, MessageBoxButtons::Ok);
        return true;
    });
    ShowMessageCode(49);
    SetMessageBoxHook(nullptr);
    EXPECT_EQ(text, u"Rendering error.");
    EXPECT_EQ(caption, u"Vellumor");
}

}  // namespace
