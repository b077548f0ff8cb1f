#include "platform/MessageText.h"

#include "platform/MessageBox.h"

#include <array>

namespace {

struct MessageRow {
    int32_t code;
    const char16_t* text;
};

// Codes 38 and 46 have no text.
constexpr MessageRow kMessages[] = {
    {1, u"Undefined in the region shown"},
    {2, u"Undefined or infinite in the region shown"},
    {3, u"Undefined in the domain shown"},
    {4, u"Infinite in the domain shown"},
    {5, u"Curve is outside the region shown"},
    {6, u"Not satisfied anywhere"},
    {7, u"Not satisfied in the region shown"},
    {8, u"False everywhere"},
    {9, u"False in the region shown"},
    {10, u"Undefined or constant throughout the region shown"},
    {11, u"Undefined or infinite for the coordinate ranges given"},
    {12, u"Not satisfied in the coordinate ranges given"},
    {13, u"No surface found in the coordinate ranges given"},
    {14, u"Can't graph equations of this form"},
    {15, u"Can't graph equations with question marks"},
    {16, u"Parameter 't' can only be used in parametric curves"},
    {17, u"Parameters 'u' and 'v' can only be used in parametric surfaces"},
    {18, u"Can't graph equations using multiple coordinate systems"},
    {19, u"Can't graph 2D inequalities in 3D"},
    {20, u"Can't graph 2D vectors in 3D"},
    {21, u"A condition after the comma is not appropriate here"},
    {22, u"No equation to graph. Try 'y = x'"},
    {23, u"Can't parse condition after the comma"},
    {24, u"Can't graph this in 3D"},
    {25, u"Can't graph this in 4D"},
    {26, u"Thinking..."},
    {27, u"Graphing..."},
    {28, u"To exit the exponent, press the right arrow."},
    {29, u"To exit the fraction, press the right arrow."},
    {30, u"Use \"y\" instead of \"f(x)\"."},
    {31, u"false"},
    {32, u"true"},
    {33, u"infinity"},
    {34, u"not a number"},
    {35, u"[false, true]"},
    {36, u"There is not enough memory available to draw the requested graph. Quitting other "
         u"applications may enable the graph to be drawn."},
    {37, u"The graph cannot be drawn properly because the expression exceeds the limits of IEEE "
         u"double-precision 64-bit floating point values.\r\rChoose Reset Graph from the Graph menu."},
    {39, u"Can't create movie file."},
    {40, u"Sorry, there is not enough memory for rendering with transparency. Try quitting other "
         u"applications or reducing the resolution of the graph. Then choose \"Use Transparency\" "
         u"from the Graph Menu."},
    {41, u"Sorry, Vellumor does not recognize this file. It was either damaged or it is not a "
         u"Vellumor file."},
    {42, u"Sorry, Vellumor was unable to open this file."},
    {43, u"Vellumor was unable to save this file because the disk is full."},
    {44, u"Vellumor was unable to save this file because the disk is locked."},
    {45, u"Sorry, Vellumor was unable to save this file."},
    {47, u"This document cannot be opened because it was created by a newer version of Vellumor."
         u"\r\rPlease visit the Vellumor web site to download an update."},
    {48, u"This picture was created by a newer version of Vellumor.\r\rTo import it you would need "
         u"to use Vellumor Version 3 to read it and then save it out again."},
    {49, u"Rendering error."},
    // Demonstration scripts: 50 + the demonstration's type.
    {50, u"e\t'This is an example from the Examples menu.'\n"},
    {51, u"$\t''\nB\nA\t\t\t'Dragging the divider changes the graph size.'\nB\ny=cosx\t\nC\t\t\t"
         u"'Dragging the axes moves a 2D graph.'\nD\n$\ny=sinx\t'Clicking on the curve shows x and y "
         u"values.'\nE\nF\n$\nz=xy\t\t'Clicking on the 3D surface stops it from spinning.'\nG\nH\t\t\t"
         u"'Dragging the surface spins it.'\n$\t\t\t''\nA\nK\ny=ax+b\t'Selecting and dragging a term "
         u"does algebra.'\nI\nJ\nK\t\t\t''\nL\n$\n"},
    {52, u""},
    {53, u"y=x^2%\t\t\t'To graph a 2D curve, type a function of x, starting with y=.'\n"},
    {54, u"Hz=xy\t\t\t\t\t\t\t'To graph a 3D surface, type a function of x and y, starting with z=.'\n"},
    {55, u"x^2%+y^2%<2^2%\t\t\t'Inequalities are relations in x and y, like this circle.'\n"},
    {56, u""},
    {57, u"V1T1\t'A point is has zero dimensions: no length, no area, no volume.'\n"},
    {58, u"w=z^2%\t\t\t'A complex function maps each point of the plane to another point.'\n"},
    {59, u"y=e^x\t'Here we have the familiar exponential function of a real variable.'\n"},
    // Under a line whose form is known but whose graphs cannot be made yet.
    {60, u"Can't graph equations of this form yet"},
};

constexpr int32_t kLastCode = 60;

constexpr std::array<const char16_t*, kLastCode + 1> BuildIndex()
{
    std::array<const char16_t*, kLastCode + 1> index{};
    for (const MessageRow& row : kMessages)
        index[row.code] = row.text;
    return index;
}

constexpr auto kIndex = BuildIndex();

}  // namespace

const char16_t* GetMessageText(int32_t code)
{
    if (code < 1 || code > kLastCode || !kIndex[code])
        return u"Internal Error";
    return kIndex[code];
}

void ShowMessageCode(int32_t code)
{
    ShowMessageBox(GetMessageText(code), u"Vellumor", MessageBoxIcon::None);
}
