// Point blocks and Bresenham lines with colour and depth stepped along.
#include "rendering/SoftwarePointsAndLines.h"

#include "rendering/SoftwareClipping.h"

#include "CoreUtilities/FailureCodes.h"
#include "CoreUtilities/FailureRegister.h"

#include <cmath>
#include <cstdlib>

namespace {

int32_t Snap(double value)
{
    return static_cast<int32_t>(std::floor(static_cast<float>(value + 0.5)));
}

struct Step {
    int32_t x, y;
};

// Depth, then alpha, red, green and blue on the 0..255 scale.
struct LineValues {
    double depth;
    float a, r, g, b;
    void Add(const LineValues& d)
    {
        depth += d.depth, a += d.a, r += d.r, g += d.g, b += d.b;
    }
    uint32_t Colour() const { return PackColour(r, g, b, a); }
};

LineValues ValuesOf(const ScreenVertex& v)
{
    return LineValues{v.depth, v.alpha * 255, v.red * 255, v.green * 255, v.blue * 255};
}

// M pixels from (x, y): a major step every pixel, a minor one when the error
// turns non-negative; the values reach the end's where the end would be.
bool BresenhamRun(SoftwareTarget& t, int32_t x, int32_t y, int32_t M, int32_t m, int32_t error, Step major,
                  Step minor, LineValues values, const LineValues& increment)
{
    for (int32_t i = 0; i < M; ++i) {
        if (!PlotPixel(t, x, y, values.depth, values.Colour()))
            return false;
        error += m;
        if (error >= 0) {
            x += minor.x, y += minor.y;
            error -= M;
            values.Add(increment);
        }
        x += major.x, y += major.y;
        values.Add(increment);
    }
    return true;
}

}  // namespace

bool ScanPoint(const ScreenVertex& v, SoftwareTarget& t)
{
    const uint32_t colour = PackColour(v.red * 255, v.green * 255, v.blue * 255, v.alpha * 255);
    if (t.factor == 1)
        return PlotPixel(t, Snap(v.x), Snap(v.y), v.depth, colour);
    const double f = t.factor;
    const int32_t top = static_cast<int32_t>(std::floor(f * v.y - 0.75 * f + 0.5));
    const int32_t bottom = static_cast<int32_t>(std::floor(f * v.y + 0.75 * f + 0.5));
    const int32_t left = static_cast<int32_t>(std::floor(f * v.x - 0.75 * f + 0.5));
    const int32_t right = static_cast<int32_t>(std::floor(f * v.x + 0.75 * f + 0.5));
    for (int32_t row = top; row < bottom; ++row)
        for (int32_t column = left; column < right; ++column)
            if (!PlotPixel(t, column + t.originX, row + t.originY, v.depth, colour))
                return false;
    return true;
}

bool ScanPointOrFail(const ScreenVertex& v, SoftwareTarget& t)
{
    if (ScanPoint(v, t))
        return true;
    PostFailure(FailureTransparencyMemory);
    return false;
}

bool RasterizePoint(const ScreenVertex& v, SoftwareTarget& t)
{
    return PointInView(v, t) ? ScanPointOrFail(v, t) : true;
}

bool RasterizeLine(const ScreenVertex& a, const ScreenVertex& b, SoftwareTarget& t)
{
    ScreenVertex clipped[2];
    if (!ClipLineToView(a, b, ViewSize{static_cast<float>(t.viewWidth), static_cast<float>(t.viewHeight)}, clipped))
        return true;
    if (ScanLine(clipped[0], clipped[1], t))
        return true;
    PostFailure(FailureTransparencyMemory);
    return false;
}

bool ScanLine(const ScreenVertex& a, const ScreenVertex& b, SoftwareTarget& t)
{
    const float fx = static_cast<float>(t.factor), fy = static_cast<float>(t.factor);
    const float ax = a.x * fx, ay = a.y * fy, bx = b.x * fx, by = b.y * fy;
    const int32_t AX = Snap(ax), AY = Snap(ay), BX = Snap(bx), BY = Snap(by);
    if (AX == BX && AY == BY)
        return true;
    const bool aFirst = AY <= BY;
    const ScreenVertex& S = aFirst ? a : b;
    const ScreenVertex& E = aFirst ? b : a;
    const int32_t SX = aFirst ? AX : BX, SY = aFirst ? AY : BY;
    const float sx = aFirst ? ax : bx, sy = aFirst ? ay : by;
    int32_t dx = (aFirst ? BX : AX) - SX;
    const int32_t dy = (aFirst ? BY : AY) - SY;
    const LineValues start = ValuesOf(S), end = ValuesOf(E);
    const float k = 1.0f / static_cast<float>(std::abs(dx) + dy);
    const LineValues increment{static_cast<double>(k) * (end.depth - start.depth), k * (end.a - start.a),
                               k * (end.r - start.r), k * (end.g - start.g), k * (end.b - start.b)};
    const bool leftward = dx < 0;
    if (leftward)
        dx = -dx;
    const bool yMajor = dy >= dx;
    const int32_t M = yMajor ? dy : dx, m = yMajor ? dx : dy;
    const int32_t xStep = leftward ? -1 : 1;
    const Step minor = yMajor ? Step{xStep, 0} : Step{0, 1};
    const Step major = yMajor ? Step{0, 1} : Step{xStep, 0};
    const int32_t lineError = (-M) >> 1;
    if (t.factor == 1)
        return BresenhamRun(t, SX + t.originX, SY + t.originY, M, m, lineError, major, minor, start, increment);

    // A band 1.5 view pixels wide: parallel lines, their starts stepped
    // across the line, with an extra line where a start moves diagonally.
    const double L = std::sqrt(double{fy} * fy * dx * dx + double{fx} * fx * dy * dy);
    const double nx = 1.5 * fx * fx * dy / L, ny = 1.5 * fy * fy * dx / L;
    int32_t n, px, py;
    if (!yMajor) {
        n = static_cast<int32_t>(std::floor(ny + 0.5));
        px = static_cast<int32_t>(std::floor(leftward ? sx - nx / 2 + 0.5 : sx + nx / 2 + 0.5));
        py = static_cast<int32_t>(std::floor(sy - ny / 2 + 0.5));
    } else {
        n = static_cast<int32_t>(std::floor(nx + 0.5));
        px = static_cast<int32_t>(std::floor(leftward ? sx + nx / 2 + 0.5 : sx - nx / 2 + 0.5));
        py = static_cast<int32_t>(std::floor(sy + ny / 2 + 0.5));
    }
    px += t.originX, py += t.originY;
    const Step q = yMajor ? Step{xStep, 0} : Step{0, 1};
    const Step p = yMajor ? Step{0, -1} : Step{-xStep, 0};
    int32_t eLine = lineError, eBand = (-n) >> 1;
    bool extra = false;
    for (int32_t c = 0; c < n;) {
        if (!BresenhamRun(t, px, py, M, m, eLine, major, minor, start, increment))
            return false;
        if (!extra && eBand + m >= 0 && eLine + M >= 0 && eLine + M < m) {
            px += q.x, py += q.y;
            extra = true;
            continue;
        }
        eBand += m;
        if (eBand >= 0) {
            eBand -= M;
            eLine -= m;
            if (eLine < -M) {
                eLine += M;
                px += p.x, py += p.y;
            }
        }
        if (!extra)
            px += q.x, py += q.y;
        extra = false;
        ++c;
    }
    return true;
}
