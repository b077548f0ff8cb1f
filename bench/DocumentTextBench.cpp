// Reading and writing a document of 10,000 equation lines (each with a
// style statement and a formula of numbers and operators), against the floor
// of the same work: a loop that only finds the statements' numbers with
// std::from_chars, and one that only formats them with std::to_chars.
#include "CoreUtilities/MemoryBudget.h"
#include "document/DocState.h"
#include "document/DocumentReader.h"
#include "document/DocumentWriter.h"
#include "formula/FormulaEngine.h"

#include <benchmark/benchmark.h>

#include <charconv>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr int kLines = 10000;

std::string DocumentText()
{
    std::string text = "Vellumor 4;\rWindow 0 0 600 800;\r";
    for (int i = 0; i < kLines; ++i) {
        text += "Color " + std::to_string(i % 8 + 2) + ";\rExpr y=" + std::to_string(i) +
                ".125*sin(x)+x^2/3.5-[x+0.25];\r";
    }
    return text;
}

struct Loaded {
    Loaded()
    {
        InitFormulaEngine();
        doc.Init(nullptr);
        ReadDocumentText(&doc, text.data(), text.size());
    }
    ~Loaded() { doc.FreeLines(); }
    std::string text = DocumentText();
    DocState doc;
};

Loaded& Document()
{
    static Loaded* loaded = new Loaded;
    return *loaded;
}

void ReadDocument(benchmark::State& state)
{
    Loaded& loaded = Document();
    for (auto _ : state) {
        loaded.doc.Reset(nullptr);
        if (!ReadDocumentText(&loaded.doc, loaded.text.data(), loaded.text.size()))
            state.SkipWithError("the document did not read");
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * loaded.text.size()));
}

void WriteDocument(benchmark::State& state)
{
    Loaded& loaded = Document();
    size_t bytes = 0;
    for (auto _ : state) {
        int32_t length = 0;
        char* text = WriteDocumentText(&loaded.doc, &length);
        bytes = static_cast<size_t>(length);
        BudgetFree(text);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes));
}

// Floor of reading: every number of the text found and converted, nothing
// else done.
void FromCharsFloor(benchmark::State& state)
{
    const std::string& text = Document().text;
    double sum = 0;
    for (auto _ : state) {
        const char* p = text.data();
        const char* end = p + text.size();
        while (p < end) {
            if ((*p >= '0' && *p <= '9')) {
                double value = 0;
                p = std::from_chars(p, end, value).ptr;
                sum += value;
            } else {
                ++p;
            }
        }
        benchmark::DoNotOptimize(sum);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}

// Floor of writing: the same count of numbers formatted into one array with
// the statements' other bytes copied beside them.
void ToCharsFloor(benchmark::State& state)
{
    const size_t bytes = Document().text.size();
    std::vector<char> out(bytes * 2);
    for (auto _ : state) {
        char* p = out.data();
        for (int i = 0; i < kLines; ++i) {
            std::memcpy(p, "Color ", 6);
            p = std::to_chars(p + 6, p + 40, double(i % 8 + 2)).ptr;
            std::memcpy(p, ";\rExpr y=", 9);
            p = std::to_chars(p + 9, p + 40, i + 0.125, std::chars_format::general, 16).ptr;
            std::memcpy(p, "*sin(x)+x^2/3.5-[x+0.25];\r", 26);
            p += 26;
        }
        benchmark::DoNotOptimize(out.data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes));
}

BENCHMARK(ReadDocument)->Unit(benchmark::kMillisecond);
BENCHMARK(FromCharsFloor)->Unit(benchmark::kMillisecond);
BENCHMARK(WriteDocument)->Unit(benchmark::kMillisecond);
BENCHMARK(ToCharsFloor)->Unit(benchmark::kMillisecond);

}  // namespace
