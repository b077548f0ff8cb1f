#include "graphmodel/GpuProgram.h"

namespace {

// Written at start-up, before any graph is built.
GpuProgramTexts Texts;
void (*Release)(GpuProgram&) = nullptr;

}  // namespace

void SetGpuProgramTexts(const GpuProgramTexts& texts)
{
    Texts = texts;
}

std::string MakeColorProgramText(const FormulaNode* red, const FormulaNode* green, const FormulaNode* blue,
                                 const FormulaNode* fourth, bool hsv, ProgramConstantTrees* constants,
                                 bool notNVIDIA, DocState* doc)
{
    if (!Texts.makeColorProgramText)
        return {};
    return Texts.makeColorProgramText(red, green, blue, fourth, hsv, constants, notNVIDIA, doc);
}

std::string MakeConstantColorProgramText(const FormulaNode* tree, ProgramConstantTrees* constants, bool picture,
                                         DocState* doc)
{
    if (!Texts.makeConstantColorProgramText)
        return {};
    return Texts.makeConstantColorProgramText(tree, constants, picture, doc);
}

const char* FixedVertexProgramText()
{
    return Texts.vertexProgramText ? Texts.vertexProgramText : "";
}

void SetGpuProgramReleaser(void (*release)(GpuProgram& program))
{
    Release = release;
}

GpuProgram::~GpuProgram()
{
    if (loaded && Release)
        Release(*this);
}
