// A typical line of about 200 nodes laid out and drawn, against the floors
// beneath it: a bare post-order walk over the same nodes, and the window
// system measuring and drawing a plain string of the same characters.
#include "editor/FormulaDrawingPort.h"
#include "editor/TypesetDriver.h"
#include "formula/CopyTree.h"
#include "formula/EditorState.h"
#include "formula/FormulaEngine.h"
#include "formula/FormulaNode.h"
#include "formula/NodeKindTable.h"
#include "bench/support/FormulaBenchStart.h"
#include "formula/TreeWalk.h"
#include "platform/PortDC.h"

#include <QFont>
#include <QFontMetricsF>
#include <QImage>
#include <QPainter>

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <vector>

namespace {

constexpr int kTerms = 40;  // five nodes each: 3 x sin y
constexpr int kWidth = 2400;
constexpr int kHeight = 60;

// 3 x sin y + 4 x sin y + ...
FormulaNode* TypicalLine()
{
    return MakeSineTermSum(kTerms);
}

void TypesetRelayoutAndDraw(benchmark::State& state)
{
    StartOffscreenFormulaBench();
    EditorState editor;
    editor.root = TypicalLine();
    editor.current = editor.root;
    CurrentEditorStateScope scope(&editor);
    PrepareTypesetting(nullptr);
    std::vector<uint32_t> pixels(static_cast<size_t>(kWidth) * kHeight, 0xFFFFFF);
    PortDC* dc = PortDC::NewForPixels(pixels.data(), kWidth, kHeight, kWidth * 4);
    for (auto _ : state) {
        InvalidateFormulaLayout();
        RelayoutFormula();
        DrawFormula(editor.root, dc);
    }
    delete dc;
    FreeTree(editor.root);
}
BENCHMARK(TypesetRelayoutAndDraw)->Unit(benchmark::kMicrosecond);

void PostorderWalkFloor(benchmark::State& state)
{
    StartOffscreenFormulaBench();
    FormulaNode* root = TypicalLine();
    for (auto _ : state) {
        int n = 0;
        for (PostorderWalk walk(root); walk.Node(); walk.Next())
            ++n;
        benchmark::DoNotOptimize(n);
    }
    FreeTree(root);
}
BENCHMARK(PostorderWalkFloor)->Unit(benchmark::kMicrosecond);

void PlainTextFloor(benchmark::State& state)
{
    StartOffscreenFormulaBench();
    QString text;
    for (int i = 0; i < kTerms; ++i)
        text += QString("%1x sin y + ").arg(3 + i);
    QFont font("Liberation Serif");
    font.setPixelSize(24);
    QImage image(kWidth, kHeight, QImage::Format_RGB32);
    for (auto _ : state) {
        QFontMetricsF fm(font);
        benchmark::DoNotOptimize(fm.horizontalAdvance(text));
        QPainter painter(&image);
        painter.setFont(font);
        painter.drawText(QPointF(0, 40), text);
    }
}
BENCHMARK(PlainTextFloor)->Unit(benchmark::kMicrosecond);

}  // namespace
