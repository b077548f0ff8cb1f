// Typesetting of any tree: text through the tests' formula reader (kind
// numbers included, so that kinds no reader makes and children no layout
// expects are met), laid out at a few wrap widths and sizes and drawn onto a
// small surface; afterwards the tree is well formed and every pool block
// taken is back.
#include "CoreUtilities/FailureRegister.h"
#include "CoreUtilities/MemoryBudget.h"
#include "document/DocState.h"
#include "editor/FormulaDrawingPort.h"
#include "editor/TypesetDriver.h"
#include "formula/CopyTree.h"
#include "formula/EditorState.h"
#include "formula/FormulaEngine.h"
#include "formula/FormulaNode.h"
#include "fuzz/FuzzApplication.h"
#include "fuzz/FuzzCheck.h"
#include "platform/PortDC.h"
#include "support/FormulaReader.h"
#include "support/TreeFixture.h"

#include <QApplication>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr size_t kMaxText = 2048;
constexpr int kWidth = 160;
constexpr int kHeight = 60;

bool StartApplication()
{
    // Lives for the whole run, as fonts are made and kept through it; it is
    // deleted at exit once the first formula has made its fonts.
    MakeFuzzApplication("typeset-fuzz");
    return InitFormulaEngine();
}

// False when the text is no formula (and nothing was typeset).
bool Run(const std::string& text)
{
    FormulaNode* tree = ReadFormulaQuietly(text.c_str());
    if (!tree)
        return false;
    DocState doc;
    EditorState state;
    state.root = tree;
    state.current = tree;
    CurrentEditorStateScope scope(&state);
    std::vector<uint32_t> pixels(static_cast<size_t>(kWidth) * kHeight, 0xFFFFFF);
    PortDC* dc = PortDC::NewForPixels(pixels.data(), kWidth, kHeight, kWidth * 4);
    const struct {
        int16_t fontSize;
        int16_t digits;
        float wrapWidth;
    } passes[] = {{24, 6, kNoWrapWidth}, {7, 17, 40}, {72, 1, 0}};
    for (const auto& pass : passes) {
        doc.FontSizes = pass.fontSize;
        doc.SignificantDigits = pass.digits;
        PrepareTypesetting(nullptr, &doc);
        state.wrapWidth = pass.wrapWidth;
        InvalidateFormulaLayout();
        RelayoutFormula();
        FuzzRequire(state.root->layoutBox && std::isfinite(state.root->layoutBox->width),
                    "the formula has a finite size");
        SetFormulaOrigin(3, 2);
        DrawFormula(state.root, dc);
    }
    delete dc;
    FuzzRequire(static_cast<bool>(IsConsistent(state.root)), "the laid-out tree is well formed");
    FreeTree(state.root);
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static bool started = StartApplication();
    if (!started)
        return 0;
    std::string text(reinterpret_cast<const char*>(data), std::min(size, kMaxText));
    text.resize(std::strlen(text.c_str()));
    AbortFlag = 0;
    ResetFailureRegister();
    std::vector<uint32_t> before = OutstandingBlocks();
    if (Run(text))
        DeleteFuzzApplicationAtExit();
    FuzzRequire(OutstandingBlocks() == before, "every block taken is given back");
    return 0;
}
