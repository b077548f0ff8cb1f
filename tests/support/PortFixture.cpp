#include "support/PortFixture.h"

#include "CoreUtilities/FailureRegister.h"
#include "drawing/DDUtils.h"

#include <algorithm>

void PortFixture::TearDown()
{
    DisposeOffscreenSurface(surface_);
    SetCurrentPort(nullptr);
    ResetFailureRegister();
}

void PortFixture::MakePort(int width, int height, uint32_t fill)
{
    surface_ = MakeSurface(0, 0, height, width);
    ASSERT_NE(surface_, nullptr);
    Fill(fill);
    SetCurrentPort(surface_);
    ASSERT_TRUE(AcquirePortDC());
}

void PortFixture::Fill(uint32_t value)
{
    size_t count = static_cast<size_t>(ShortRectWidth(surface_->bounds)) * ShortRectHeight(surface_->bounds);
    std::fill(surface_->memory, surface_->memory + count, value);
}

uint32_t& PortFixture::At(int x, int y)
{
    return surface_->memory[static_cast<size_t>(y) * ShortRectWidth(surface_->bounds) + x];
}

uint32_t PortFixture::Colour(int x, int y)
{
    return At(x, y) & 0xFFFFFF;
}

std::vector<std::string> PortFixture::Picture(uint32_t ink, uint32_t background)
{
    std::vector<std::string> rows;
    for (int y = 0; y < ShortRectHeight(surface_->bounds); ++y) {
        std::string row;
        for (int x = 0; x < ShortRectWidth(surface_->bounds); ++x) {
            uint32_t c = Colour(x, y);
            row += c == ink ? 'x' : c == background ? '.' : '?';
        }
        rows.push_back(row);
    }
    return rows;
}

OffscreenSurface* MakeSurface(int top, int left, int bottom, int right)
{
    ShortRect r;
    SetShortRect(r, top, left, bottom, right);
    return NewOffscreenSurface(r);
}
