// The graph factory's table of builders: one per form code 1-80, set by the
// layer that makes the form's graphs (the 2D forms in this layer, the 3D
// and 4D forms by the layers above at start-up). The factory
// (GraphSet::BuildEquationGraphs) prepares a statement and hands it to the
// builder of its code; a form whose builder is not set yet is not graphed
// and its line says so.
#pragma once

#include <cstdint>

class AGraphColor;
class GraphSet;
struct DocState;
struct FormulaNode;
struct TransformRecord;

// What the statements after the comma supply. The trees are copies, the
// factory's until a builder takes one over: a builder that hands one to a
// graph sets its field to null, and the factory frees whatever is left.
struct StatementOptions {
    // The conditions, joined two at a time by a condition-list node.
    FormulaNode* conditions = nullptr;
    // Relations: the product whose sign changes across their boundary.
    FormulaNode* signProduct = nullptr;
    // The conditions of builders that take them as a formula of their own;
    // r in them is the distance from the origin in space.
    FormulaNode* builderConditions = nullptr;
    // The right sides of the last option statements of each name.
    FormulaNode* radius = nullptr;
    FormulaNode* symbol = nullptr;
    FormulaNode* label = nullptr;
    FormulaNode* fontSize = nullptr;
    // The last start point (x, y) = (a, b).
    FormulaNode* startX = nullptr;
    FormulaNode* startY = nullptr;
    // Colour plots: the last statement after the comma that is no option.
    FormulaNode* extraColorFormula = nullptr;
};

// Frees every tree left and clears the fields.
void FreeStatementOptions(StatementOptions& options);

// What a builder receives. The colour, like the option trees, is the
// factory's until the builder takes it over (and sets the field to null).
// The equation stays the factory's or the caller's; builders compile copies
// of its parts.
struct BuilderArguments {
    // The statement to graph: the caller's statement (its first item, or
    // the whole list for arrows and flows with their start set), for
    // relations the factory's copy joined with the conditions, for code 46
    // the right side.
    FormulaNode* equation = nullptr;
    // 0 the first view of the pair, 1 the second (primed statements).
    int32_t view = 0;
    const TransformRecord* transform = nullptr;
    double grain = 0;
    double opacity = 1;
    int32_t plottingMode = 0;
    // 1 in a 3D view; else the line's choice of surface, density or contour.
    double xyType = 1;
    bool in3D = false;
    // Colour plots: 0 for (r, g, b), 1 for (h, s, v).
    int32_t colorMode = 0;
    DocState* doc = nullptr;
    AGraphColor* colour = nullptr;
    StatementOptions options;
};

// Adds the statement's graphs to the set's views with one equation-table
// row (GraphSet::AddGraph2D and its siblings); adds nothing when it cannot.
using FormBuilder = void (*)(GraphSet& set, BuilderArguments& arguments);

constexpr int32_t kFirstFormCode = 1;
constexpr int32_t kLastFormCode = 80;

// Sets, or with null clears, the builder of a form code and answers the
// one it replaces. Codes outside 1-80 and the unused code 57 take none.
// At start-up or between tests, while no graph is being built.
FormBuilder SetFormBuilder(int32_t code, FormBuilder builder);
FormBuilder GetFormBuilder(int32_t code);

// The line's message when its statement has a form whose graphs cannot be
// made yet.
constexpr int32_t kMessageFormNotBuiltYet = 60;
