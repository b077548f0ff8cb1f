// A GPU program as a graph colour hands it to its render context: its text
// and kind. The context loads and binds it; the texts of colour programs
// come from the renderer, which registers its text generators at start-up.
// Until it has, no formula colour gets a program and every colour is
// computed on the processor.
#pragma once

#include <cstdint>
#include <string>

struct DocState;
struct FormulaNode;
template <typename T>
struct GrowArray;

enum GpuProgramType : int32_t {
    GpuVertexProgram = 0,
    GpuFragmentProgram = 1,
};

struct GpuProgram {
    std::string name;
    std::string text;
    int32_t type;
    // What the context made of it; the context's to fill and free.
    void* loaded = nullptr;
    // Loading failed or the driver cannot run it natively; stays set.
    bool failed = false;

    bool IsUsable() const { return !failed; }
    // Hands what the context loaded back to the context.
    ~GpuProgram();
};

// The renderer's way to let go of a loaded program (start-up).
void SetGpuProgramReleaser(void (*release)(GpuProgram& program));

// Constant subtrees of a colour's formulas that a program reads as local
// parameters; the generator appends them, the colour owns and evaluates them.
using ProgramConstantTrees = GrowArray<FormulaNode*>;

struct GpuProgramTexts {
    // The fragment program of a formula colour: red, green, blue (or hue,
    // saturation, value) and optionally the graph's own formula; empty when
    // some formula needs what a program cannot express.
    std::string (*makeColorProgramText)(const FormulaNode* red, const FormulaNode* green, const FormulaNode* blue,
                                        const FormulaNode* fourth, bool hsv, ProgramConstantTrees* constants,
                                        bool notNVIDIA, DocState* doc) = nullptr;
    // The fragment program when only the graph's own formula runs on the GPU.
    std::string (*makeConstantColorProgramText)(const FormulaNode* tree, ProgramConstantTrees* constants,
                                                bool picture, DocState* doc) = nullptr;
    // The fixed vertex program every colour program goes with.
    const char* vertexProgramText = nullptr;
};

void SetGpuProgramTexts(const GpuProgramTexts& texts);

std::string MakeColorProgramText(const FormulaNode* red, const FormulaNode* green, const FormulaNode* blue,
                                 const FormulaNode* fourth, bool hsv, ProgramConstantTrees* constants,
                                 bool notNVIDIA, DocState* doc);
std::string MakeConstantColorProgramText(const FormulaNode* tree, ProgramConstantTrees* constants, bool picture,
                                         DocState* doc);
const char* FixedVertexProgramText();
