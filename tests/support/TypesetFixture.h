// Formulas laid out and drawn through the typesetter, with the fonts' own
// metrics to check them against and a small surface to draw on.
#pragma once

#include "support/EditorFixture.h"

#include <cstdint>
#include <string>
#include <vector>

class PortDC;
struct FormulaNode;
struct LayoutBox;

// A white 32-bit surface with a device context that draws black text.
class Canvas {
public:
    Canvas(int width, int height);
    ~Canvas();
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;

    PortDC* dc() const { return dc_; }
    int width() const { return width_; }
    int height() const { return height_; }
    // True where the pixel is not background white.
    bool Ink(int x, int y) const;
    // The bounding rectangle of the ink inside [x0, x1) x [y0, y1), as
    // {top, left, bottom, right} with exclusive bottom and right; all -1
    // when there is none.
    std::vector<int> InkBounds(int x0, int y0, int x1, int y1) const;
    bool SavePng(const std::string& path) const;

private:
    int width_;
    int height_;
    std::vector<uint32_t> pixels_;
    PortDC* dc_;
};

// The advance of the text in the face at a pixel size as the system font
// reports it: each character's advance rounded to whole pixels.
float FontAdvance(const char16_t* text, const char* family, int pixels, bool bold = false, bool italic = false);
// The character's bearings rounded to whole pixels.
int FontLeftBearing(char16_t c, const char* family, int pixels, bool bold = false, bool italic = false);
int FontRightBearing(char16_t c, const char* family, int pixels, bool italic, bool bold = false);

class TypesetTest : public EditorTest {
protected:
    static void SetUpTestSuite();
    void SetUp() override;

    // Reads the formula and lays it out as the current state's formula.
    FormulaNode* Lay(const char* text);
    // Lays the current formula out again after an edit.
    void Relayout();
    // The first node in pre-order whose linear text is the given one.
    FormulaNode* Find(const char* text);
    const LayoutBox& Box(const char* text);
    // Draws the laid-out formula with its top-left corner at (x, y).
    void Draw(Canvas& canvas, int x, int y);
};
