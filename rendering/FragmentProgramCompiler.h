// Colour programs from prepared formula trees: red, green and blue, or hue,
// saturation and value, each with an optional condition that cuts the
// surface where it is below 0.5. The program reads the surface point from
// texture coordinate set 0 and multiplies its colour by the lit vertex
// colour. An empty text means the formulas cannot run on the GPU.
#pragma once

#include "graphmodel/GpuProgram.h"

#include <string>

struct DocState;
struct FormulaNode;

// With no colour trees the program colours from the texture.
std::string BuildRGBFragmentProgram(ProgramConstantTrees* parameters, const FormulaNode* red,
                                    const FormulaNode* green, const FormulaNode* blue, const FormulaNode* condition,
                                    DocState* doc);
// hsvOut: the frame is left in HSV (hue in turns) for a post pass to convert;
// otherwise the hue arrives in degrees and the program converts.
std::string BuildHSVFragmentProgram(ProgramConstantTrees* parameters, const FormulaNode* hue,
                                    const FormulaNode* saturation, const FormulaNode* value,
                                    const FormulaNode* condition, DocState* doc, bool hsvOut);
