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
    {53, u"y=x^2%\t\t\t'To graph a 2D curve, type a function of x, starting with y=.'\n"
         u"y=sinx\t'Functions are typed by name: sin, cos, tan, ln, exp and many more.'\n"
         u"y=x^3%-3x\t'Powers and products are typed as they are written.'\n"
         u"y=nsinx\tn=0,3,30\t'The letter n is a slider: the animation runs it through its range.'\n"
         u"y=sinnx\tn=1,6,50\t'Here n changes the frequency.'\n"
         u"y=x^n%\tn=1,5,40\t'Powers of x, one after another.'\n"
         u"x^2%+y^2%=9\t\t'An equation in x and y need not be solved for y: this is a circle.'\n"
         u"x^2%-y^2%=1\t'A hyperbola.'\n"
         u"x^2%+ny^2%=4\tn=1,4,30\t'A circle squeezed into ellipses.'\n"
         u"y=xNy=x^2%Ny=x^3%\t'Several equations graph together, each in its own color.'\n"
         u"y=sinxNy=cosx\t'Where two curves meet, their colors cross.'\n"
         u"y=xsinxZ\t'Zooming out shows more of a curve.'\n"
         u"y=sinx/x\t\t'Fractions are typed with a slash.'\n"},
    {54, u"Hz=xy\t\t\t\t\t\t\t'To graph a 3D surface, type a function of x and y, starting with z=.'\n"
         u"z=x^2%-y^2%\t'A saddle: up along x, down along y.'\n"
         u"z=sinxcosy\t'Any function of x and y makes a surface.'\n"
         u"z=ncosx\tn=-2,2,40\t'Sliders animate surfaces too.'\n"
         u"z=x^2%+y^2%\t'A bowl.'\n"
         u"Fz=x^2%+y^2%NGz=2\t'Two surfaces show where they cross.'\n"
         u"x^2%+y^2%+z^2%=4\t'An equation in x, y and z is an implicit surface: a sphere.'\n"
         u"x^2%+y^2%-z^2%=1\t'A hyperboloid of one sheet.'\n"
         u"x^2%+y^2%-z^2%=n\tn=-1,1,40\t'As n passes zero, one sheet becomes two.'\n"
         u"Sz=sinx+siny\t'Surfaces can be made translucent.'\n"},
    {55, u"x^2%+y^2%<2^2%\t\t\t'Inequalities are relations in x and y, like this circle.'\n"
         u"y<sinx\t'The region below a curve.'\n"
         u"y>x^2%\t'The region above a parabola.'\n"
         u"siny<cosx\t'Inequalities between functions make patterns.'\n"
         u"sinx+siny>n\tn=-2,2,40\t'A slider moves the boundary.'\n"
         u"Cz=x^2%-y^2%\t'Contours: the curves where a function of x and y is constant.'\n"
         u"Dz=sinxsiny\t'A density plot shows the value as brightness.'\n"},
    {56, u""},
    {57, u"V1T1\t'A point is has zero dimensions: no length, no area, no volume.'\n"
         u"y=x\t'A line has one dimension: length.'\n"
         u"x^2%+y^2%<4\t'A disk has two: area.'\n"
         u"x^2%+y^2%+z^2%=4\t'A sphere is a surface: two dimensions curved through three.'\n"
         u"x^2%+y^2%+z^2%=4+n\tn=-4,4,40\t'A 4D ball passing through our space shows as a sphere that grows and shrinks.'\n"
         u"\x01" u"w=x^2%+y^2%+z^2%\t'A function of x, y and z needs a fourth dimension to graph.'\n"
         u"\x02\x03\t\t''\n"
         u"\x06\x08\t'Turning in the fourth dimension shows all its sides.'\n"},
    {58, u"w=z^2%\t\t\t'A complex function maps each point of the plane to another point.'\n"
         u"z=1+i\t'A complex number is a point of the plane: 1 across, i up.'\n"
         u"z=e^i#\t'As theta runs, e to the i theta walks round the unit circle.'\n"
         u"w=z^n%\tn=1,4,30\t'Powers of z wrap the plane round itself n times.'\n"
         u"w=1/z\t'Inversion turns the plane inside out.'\n"
         u"w=sinz\t'The sine of a complex variable grows without bound off the real axis.'\n"},
    {59, u"y=e^x\t'Here we have the familiar exponential function of a real variable.'\n"
         u"y=e^nx%\tn=-2,2,40\t'The rate n makes it grow or decay.'\n"
         u"y=e^-x^2%%\t'A bell curve: e to the minus x squared.'\n"
         u"y=lnx\t'The natural logarithm undoes the exponential.'\n"
         u"y=e^xNy=lnx\t'The two are mirror images across y=x.'\n"
         u"y=e^-x%sinnx\tn=1,8,40\t'A damped wave.'\n"
         u"z=e^-x^2%-y^2%%\t'In two variables the bell becomes a hill.'\n"
         u"w=e^z\t'For a complex variable the exponential wraps each line round a circle.'\n"},
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
