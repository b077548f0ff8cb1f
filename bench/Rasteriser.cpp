// The software rasteriser against the references it must keep up with:
// a plain C loop over the same pixels, and non-antialiased QPainter drawing
// on a QImage. Each pair runs in the same process, side by side.
#include "drawing/CoverageMask.h"
#include "drawing/DDUtils.h"
#include "drawing/DrawingPort.h"
#include "drawing/Rasteriser.h"

#include <QImage>
#include <QPainter>
#include <QPolygonF>

#include <benchmark/benchmark.h>

#include <ctime>
#include <vector>

namespace {

constexpr int kWidth = 1920, kHeight = 1080;

ShortRect Screen()
{
    ShortRect r;
    SetShortRect(r, 0, 0, kHeight, kWidth);
    return r;
}

struct LockedPort {
    LockedPort()
    {
        surface = NewOffscreenSurface(Screen());
        std::fill(surface->memory, surface->memory + kWidth * kHeight, 0xE0E0E0u);
        SetCurrentPort(surface);
        LockPortSurface();
    }
    ~LockedPort()
    {
        UnlockPortSurface();
        SetCurrentPort(nullptr);
        DisposeOffscreenSurface(surface);
    }
    OffscreenSurface* surface;
};

void MaskTinted(benchmark::State& state)
{
    LockedPort port;
    std::vector<uint8_t> mask(kWidth / 4 * kHeight, 0xFF);
    for (auto _ : state)
        DrawMaskTinted(mask.data(), kWidth / 4, Screen(), 0x3366CC, Screen());
    state.SetItemsProcessed(state.iterations() * kWidth * kHeight);
}
BENCHMARK(MaskTinted)->Unit(benchmark::kMillisecond);

void NativeTintLoop(benchmark::State& state)
{
    std::vector<uint32_t> pixels(kWidth * kHeight, 0xE0E0E0u);
    for (auto _ : state) {
        for (uint32_t& p : pixels) {
            uint32_t l = (150 * ((p >> 8) & 0xFF) + 77 * ((p >> 16) & 0xFF) + 29 * (p & 0xFF)) / 255;
            p = (((0x33 * l) >> 8) << 16) | (((0x66 * l) >> 8) << 8) | ((0xCC * l) >> 8);
        }
        benchmark::DoNotOptimize(pixels.data());
    }
    state.SetItemsProcessed(state.iterations() * kWidth * kHeight);
}
BENCHMARK(NativeTintLoop)->Unit(benchmark::kMillisecond);

// Processor time of the calling thread: other programs' load on a shared
// machine does not count.
double ThreadSeconds()
{
    timespec now;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + now.tv_nsec * 1e-9;
}

// The solid triangle against QPainter's polygon fill on the same pixels (a
// QImage over the surface's memory), in rounds that run both, in an order
// that turns from round to round, timed in the thread's processor time.
// Counters: microseconds per triangle each way and ours as a multiple of
// QPainter's.
void TriangleAgainstQPainter(benchmark::State& state)
{
    LockedPort port;
    QImage image(reinterpret_cast<uchar*>(GetPortBaseAddress()), kWidth, kHeight, GetPortRowBytes(),
                 QImage::Format_RGB32);
    QPainter painter(&image);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0x11, 0x22, 0x33));
    QPolygonF triangle({QPointF(100.5, 50), QPointF(1800, 300), QPointF(700, 1000)});
    constexpr int kFills = 20;
    double seconds[2] = {};
    int round = 0;
    for (auto _ : state) {
        double oursThisRound = 0;
        for (int k = 0; k < 2; ++k) {
            bool ours = (round + k) % 2 == 0;
            double start = ThreadSeconds();
            for (int fill = 0; fill < kFills; ++fill) {
                if (ours)
                    FillTriangleSolid(Screen(), 100.5f, 50.f, 1800.f, 300.f, 700.f, 1000.f, 0x112233,
                                      GetPortBaseAddress(), GetPortRowBytes());
                else
                    painter.drawPolygon(triangle);
            }
            benchmark::ClobberMemory();
            double elapsed = ThreadSeconds() - start;
            seconds[ours ? 0 : 1] += elapsed;
            if (ours)
                oursThisRound = elapsed;
        }
        state.SetIterationTime(oursThisRound / kFills);
        ++round;
    }
    // Both must cover the same pixels, give or take the edges' rounding.
    uint32_t* pixels = port.surface->memory;
    auto covered = [&](auto fill) {
        std::fill(pixels, pixels + kWidth * kHeight, 0xE0E0E0u);
        fill();
        // QPainter sets the top byte of what it draws.
        return std::count_if(pixels, pixels + kWidth * kHeight, [](uint32_t p) { return (p & 0xFFFFFF) == 0x112233; });
    };
    double oursPixels = static_cast<double>(covered([] {
        FillTriangleSolid(Screen(), 100.5f, 50.f, 1800.f, 300.f, 700.f, 1000.f, 0x112233, GetPortBaseAddress(),
                          GetPortRowBytes());
    }));
    double qpainterPixels = static_cast<double>(covered([&] { painter.drawPolygon(triangle); }));
    state.counters["pixels_ours"] = oursPixels;
    state.counters["pixels_qpainter"] = qpainterPixels;
    double fills = static_cast<double>(state.iterations()) * kFills;
    state.counters["us_ours"] = seconds[0] * 1e6 / fills;
    state.counters["us_qpainter"] = seconds[1] * 1e6 / fills;
    state.counters["x_qpainter"] = seconds[0] / seconds[1];
}
BENCHMARK(TriangleAgainstQPainter)->UseManualTime()->Iterations(300)->Unit(benchmark::kMicrosecond);

void TintedLines(benchmark::State& state)
{
    LockedPort port;
    for (auto _ : state)
        for (int i = 0; i < 100; ++i)
            DrawTintedLine(Screen(), ShortPoint{static_cast<int16_t>(i * 10), 0},
                           ShortPoint{static_cast<int16_t>(kHeight - 1 - i * 10), kWidth - 1}, 0x3366CC);
}
BENCHMARK(TintedLines)->Unit(benchmark::kMicrosecond);

void QPainterLines(benchmark::State& state)
{
    QImage image(kWidth, kHeight, QImage::Format_RGB32);
    QPainter painter(&image);
    painter.setPen(QColor(0x33, 0x66, 0xCC));
    for (auto _ : state)
        for (int i = 0; i < 100; ++i)
            painter.drawLine(0, i * 10, kWidth - 1, kHeight - 1 - i * 10);
}
BENCHMARK(QPainterLines)->Unit(benchmark::kMicrosecond);

void Downsample(benchmark::State& state)
{
    LockedPort port;
    for (auto _ : state)
        DownsampleSurface2x(port.surface, Screen());
}
BENCHMARK(Downsample)->Unit(benchmark::kMillisecond);

void NaiveBoxLoop(benchmark::State& state)
{
    std::vector<uint32_t> in(kWidth * kHeight, 0xE0E0E0u), out(kWidth / 2 * kHeight / 2);
    for (auto _ : state) {
        for (int i = 0; i < kHeight / 2; ++i)
            for (int j = 0; j < kWidth / 2; ++j) {
                const uint32_t* a = &in[2 * i * kWidth + 2 * j];
                const uint32_t* b = a + kWidth;
                uint32_t v = 0;
                for (int s = 0; s < 24; s += 8)
                    v |= ((((a[0] >> s) & 0xFF) + ((a[1] >> s) & 0xFF) + ((b[0] >> s) & 0xFF) +
                           ((b[1] >> s) & 0xFF)) >> 2) << s;
                out[i * (kWidth / 2) + j] = v;
            }
        benchmark::DoNotOptimize(out.data());
    }
}
BENCHMARK(NaiveBoxLoop)->Unit(benchmark::kMillisecond);

}  // namespace
