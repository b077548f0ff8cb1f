// The document reader over any bytes: as formula text, and as a document
// (as it stands, and after a header when it has none). Whatever reads must
// write back as text that reads again and writes the same bytes; a read
// that fails must leave the document as it was; every text box and table
// made while reading must be freed or kept by a line.
#include "CoreUtilities/FailureRegister.h"
#include "CoreUtilities/MemoryBudget.h"
#include "document/DocState.h"
#include "document/DocumentReader.h"
#include "document/DocumentViewSettings.h"
#include "document/DocumentWriter.h"
#include "formula/CopyTree.h"
#include "formula/FormulaEngine.h"
#include "formula/LinearFormulaText.h"
#include "fuzz/FuzzCheck.h"
#include "support/DocumentSections.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

namespace {

constexpr size_t kMaxText = 1 << 16;

std::string Written(DocState* doc)
{
    int32_t length = 0;
    char* text = WriteDocumentText(doc, &length);
    FuzzRequire(text != nullptr, "a document is written");
    std::string written(text, static_cast<size_t>(length));
    BudgetFree(text);
    return written;
}

void Clear(DocState* doc)
{
    doc->Reset(nullptr);
    ResetKeptViewSettings();
    doc->DrawGraph = true;
}

void FormulaBackAndForth(const std::string& text)
{
    FormulaNode* tree = ParseFormulaBuffer(text.data(), text.size());
    if (!tree)
        return;
    char* first = FormulaToText(tree, true);
    FreeTree(tree);
    FuzzRequire(first != nullptr, "a read formula is written");
    FormulaNode* again = ParseFormulaString(first);
    FuzzRequire(again != nullptr, "a written formula reads again");
    char* second = FormulaToText(again, true);
    FreeTree(again);
    FuzzRequire(second && std::strcmp(first, second) == 0, "a written formula writes the same text again");
    BudgetFree(first);
    BudgetFree(second);
}

void DocumentBackAndForth(DocState* doc, const std::string& text)
{
    Clear(doc);
    std::string before = Written(doc);
    if (!ReadDocumentText(doc, text.data(), text.size())) {
        FuzzRequire(Written(doc) == before, "a failed read changes nothing");
        FuzzRequire(LiveStandIns() == 0, "a failed read keeps no box or table");
        return;
    }
    std::string first = Written(doc);
    Clear(doc);
    bool again = ReadDocumentText(doc, first.data(), first.size());
    std::string second = again ? Written(doc) : std::string();
    if (!again || second != first)
        std::fprintf(stderr, "written:\n%s\nagain:\n%s\n", first.c_str(), second.c_str());
    FuzzRequire(again, "a written document reads again");
    FuzzRequire(second == first, "a written document writes the same text again");
    Clear(doc);
    FuzzRequire(LiveStandIns() == 0, "every box and table is freed with its line");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static bool started = InitFormulaEngine();
    static DocumentSectionStandIns standIns;
    static DocState* doc = [] {
        auto* d = new DocState;
        d->Init(nullptr);
        return d;
    }();
    (void)standIns;
    if (!started)
        return 0;
    std::string text(reinterpret_cast<const char*>(data), std::min(size, kMaxText));
    AbortFlag = 0;
    ResetFailureRegister();
    FormulaBackAndForth(text);
    DocumentBackAndForth(doc, text);
    if (text.compare(0, 8, "Vellumor") != 0)
        DocumentBackAndForth(doc, "Vellumor 4;\r" + text);
    return 0;
}
