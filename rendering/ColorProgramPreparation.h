// Colour formulas made ready for a GPU program: formulas the program cannot
// express are refused, copies of the rest are rewritten into the operations
// the program compiler knows (trigonometric and hyperbolic relatives,
// logarithms to a base, roots of a degree, complex values kept to their
// real part), and the program text is built. An empty text tells the caller
// to colour on the processor with the same formulas. The caller's trees are
// never changed.
#pragma once

#include "graphmodel/GpuProgram.h"

#include <string>

struct DocState;
struct FormulaNode;

// Three colour trees (or none) and an optional condition. hsvOut: the frame
// stays in HSV for the post pass (renderers other than NVIDIA).
std::string PrepareColorProgramText(const FormulaNode* const colour[3], const FormulaNode* condition, bool hsv,
                                 ProgramConstantTrees* parameters, bool hsvOut, DocState* doc);
// The lit vertex colour (or the texture, textureOnly) under the condition.
std::string PrepareConstantColorProgramText(const FormulaNode* condition, ProgramConstantTrees* parameters,
                                         bool textureOnly, DocState* doc);

bool HasGPUUnsupportedNode(const FormulaNode* tree);
void LowerTreeForGPU(FormulaNode* tree);
void LowerNodeForGPU(FormulaNode* node);
void ReplaceByRealPart(DocState* doc, FormulaNode* tree);
void ExpandComplexTree(FormulaNode* node);
void ExpandComplexNode(FormulaNode* node);
void RewriteHalfPowers(FormulaNode* tree);
bool IsComplexPair(const FormulaNode* node);

// Node builders; each takes ownership of its arguments.
FormulaNode* MakeSelfProduct(FormulaNode* x);
FormulaNode* MakeAtan(FormulaNode* x);
FormulaNode* MakeAsin(FormulaNode* x);
FormulaNode* MakeFloor(FormulaNode* x);
FormulaNode* MakeMin(FormulaNode* a, FormulaNode* b);
FormulaNode* MakeMax(FormulaNode* a, FormulaNode* b);
FormulaNode* MakePointAngle(FormulaNode* x, FormulaNode* y);
// exp(x) + exp(-x) and exp(x) - exp(-x).
FormulaNode* MakeExpSum(FormulaNode* x);
FormulaNode* MakeExpDifference(FormulaNode* x);
FormulaNode* MakeComplexPair(FormulaNode* real, FormulaNode* imaginary);

// Registers the program texts with the graph model (start-up).
void RegisterGpuProgramTexts();
