#include "support/TypesetFixture.h"

#include "editor/FormulaDrawingPort.h"
#include "editor/TypesetDriver.h"
#include "formula/FormulaNode.h"
#include "formula/TreeWalk.h"
#include "platform/PortDC.h"
#include "support/LinearText.h"
#include "support/TestApp.h"

#include <QFont>
#include <QFontMetricsF>
#include <QImage>

#include <algorithm>

Canvas::Canvas(int width, int height)
    : width_(width), height_(height), pixels_(static_cast<size_t>(width) * height, 0xFFFFFF),
      dc_(PortDC::NewForPixels(pixels_.data(), width, height, width * 4))
{
    dc_->SetTextColor(0);
    dc_->SetBackgroundMode(BackgroundMode::Transparent);
}

Canvas::~Canvas()
{
    delete dc_;
}

bool Canvas::Ink(int x, int y) const
{
    return (pixels_[static_cast<size_t>(y) * width_ + x] & 0xFFFFFF) != 0xFFFFFF;
}

std::vector<int> Canvas::InkBounds(int x0, int y0, int x1, int y1) const
{
    std::vector<int> r{-1, -1, -1, -1};
    x0 = std::max(x0, 0);
    y0 = std::max(y0, 0);
    x1 = std::min(x1, width_);
    y1 = std::min(y1, height_);
    for (int y = y0; y < y1; ++y) {
        for (int x = x0; x < x1; ++x) {
            if (!Ink(x, y))
                continue;
            if (r[0] < 0) {
                r = {y, x, y + 1, x + 1};
            } else {
                r[1] = std::min(r[1], x);
                r[2] = std::max(r[2], y + 1);
                r[3] = std::max(r[3], x + 1);
            }
        }
    }
    return r;
}

bool Canvas::SavePng(const std::string& path) const
{
    QImage image(reinterpret_cast<const uchar*>(pixels_.data()), width_, height_, width_ * 4, QImage::Format_RGB32);
    return image.save(QString::fromStdString(path), "PNG");
}

namespace {

QFont ReferenceFont(const char* family, int pixels, bool bold, bool italic)
{
    QFont font(QString::fromUtf8(family));
    font.setPixelSize(pixels);
    font.setBold(bold);
    font.setItalic(italic);
    font.setKerning(false);
    return font;
}

}  // namespace

float FontAdvance(const char16_t* text, const char* family, int pixels, bool bold, bool italic)
{
    QFontMetricsF fm(ReferenceFont(family, pixels, bold, italic));
    float sum = 0;
    for (const char16_t* c = text; *c; ++c)
        sum += qRound(fm.horizontalAdvance(QChar(*c)));
    return sum;
}

int FontLeftBearing(char16_t c, const char* family, int pixels, bool bold, bool italic)
{
    QFontMetricsF fm(ReferenceFont(family, pixels, bold, italic));
    return qRound(fm.leftBearing(QChar(c)));
}

int FontRightBearing(char16_t c, const char* family, int pixels, bool italic, bool bold)
{
    QFontMetricsF fm(ReferenceFont(family, pixels, bold, italic));
    return qRound(fm.rightBearing(QChar(c)));
}

void TypesetTest::SetUpTestSuite()
{
    TestApp();
}

void TypesetTest::SetUp()
{
    EditorTest::SetUp();
    PrepareTypesetting(nullptr, &doc_);
}

FormulaNode* TypesetTest::Lay(const char* text)
{
    Load(text);
    Relayout();
    return root_;
}

void TypesetTest::Relayout()
{
    InvalidateFormulaLayout();
    RelayoutFormula();
}

FormulaNode* TypesetTest::Find(const char* text)
{
    for (PreorderWalk walk(root_); walk.Node(); walk.Next()) {
        if (LinearText(walk.Node()) == text)
            return walk.Node();
    }
    ADD_FAILURE() << "no node " << text << " in " << Text();
    return root_;
}

const LayoutBox& TypesetTest::Box(const char* text)
{
    return *Find(text)->layoutBox;
}

void TypesetTest::Draw(Canvas& canvas, int x, int y)
{
    SetFormulaOrigin(x, y);
    DrawFormula(root_, canvas.dc());
    SetFormulaOrigin(0, 0);
}
