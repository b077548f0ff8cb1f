// Colour formulas to GPU programs: the text is up to four formulas split at
// ';' (red or hue, green or saturation, blue or value, condition), read by
// the tests' formula reader and made into RGB, HSV and condition-only
// programs. Each text must be empty or a whole program of bounded length,
// and afterwards every pool block taken must be back.
#include "CoreUtilities/FailureRegister.h"
#include "CoreUtilities/GrowArray.h"
#include "CoreUtilities/MemoryBudget.h"
#include "document/DocState.h"
#include "formula/CopyTree.h"
#include "formula/FormulaEngine.h"
#include "fuzz/FuzzCheck.h"
#include "rendering/ColorProgramPreparation.h"
#include "support/FormulaReader.h"
#include "support/TreeFixture.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr size_t kMaxText = 2048;
// The builder refuses programs beyond a few ten thousand instructions.
constexpr size_t kMaxProgram = 8 << 20;

void Check(const std::string& program)
{
    if (program.empty())
        return;
    FuzzRequire(program.size() < kMaxProgram, "a program of bounded length");
    FuzzRequire(program.rfind("!!ARBfp1.0\n\n", 0) == 0, "a program starts with its header");
    FuzzRequire(program.size() > 5 && program.compare(program.size() - 5, 5, "\nEND\n") == 0,
                "a program ends with END");
}

void Run(const std::string& text)
{
    std::vector<FormulaNode*> trees;
    size_t start = 0;
    while (trees.size() < 4) {
        const size_t end = std::min(text.find(';', start), text.size());
        trees.push_back(ReadFormulaQuietly(text.substr(start, end - start).c_str()));
        if (end >= text.size())
            break;
        start = end + 1;
    }
    while (trees.size() < 4)
        trees.push_back(nullptr);
    DocState doc;
    ProgramConstantTrees parameters;
    const FormulaNode* colour[3] = {trees[0], trees[1], trees[2]};
    if (trees[0] && trees[1] && trees[2]) {
        Check(PrepareColorProgramText(colour, trees[3], false, &parameters, false, &doc));
        Check(PrepareColorProgramText(colour, trees[3], true, &parameters, false, &doc));
        Check(PrepareColorProgramText(colour, trees[3], true, &parameters, true, &doc));
    }
    Check(PrepareConstantColorProgramText(trees[0], &parameters, true, &doc));
    Check(PrepareConstantColorProgramText(trees[0], &parameters, false, &doc));
    for (FormulaNode* tree : parameters)
        FreeTree(tree);
    parameters.Clear();
    for (FormulaNode* tree : trees)
        FreeTree(tree);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static bool started = InitFormulaEngine();
    if (!started)
        return 0;
    std::string text(reinterpret_cast<const char*>(data), std::min(size, kMaxText));
    text.resize(std::strlen(text.c_str()));
    // Kind numbers (#8082(...)) build trees that no reader of the program
    // builds.
    if (text.find('#') != std::string::npos)
        return 0;
    AbortFlag = 0;
    ResetFailureRegister();
    std::vector<uint32_t> before = OutstandingBlocks();
    Run(text);
    FuzzRequire(OutstandingBlocks() == before, "every block taken is given back");
    return 0;
}
