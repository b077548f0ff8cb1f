// The graph factory: a classified statement, its options collected and
// folded in, handed to the builder of its form.
#include "graphs2d/GraphFactory.h"

#include "document/DefinitionTests.h"
#include "document/DocState.h"
#include "document/ParameterValues.h"
#include "evaluation/CompiledFormula.h"
#include "formula/CopyTree.h"
#include "formula/EquationFormPredicates.h"
#include "formula/FormulaNode.h"
#include "formula/FunctionDefinitions.h"
#include "formula/NodeBuilders.h"
#include "formula/NodeKindTable.h"
#include "formula/SymbolCodes.h"
#include "formula/SymbolRename.h"
#include "formula/TreeRewrite.h"
#include "graphmodel/A3DGraphView.h"
#include "graphmodel/A4DGraphView.h"
#include "graphmodel/AGraphColor.h"
#include "graphmodel/EquationFormClassifier.h"
#include "graphmodel/GraphFactoryFormulas.h"
#include "graphmodel/GraphServices.h"
#include "graphmodel/StatementLists.h"
#include "graphs2d/GraphSet.h"

#include <algorithm>
#include <initializer_list>
#include <new>

namespace {

constexpr int32_t kUnusedFormCode = 57;
constexpr int32_t kMessageOutOfMemory = 36;

FormBuilder Builders[kLastFormCode + 1] = {};

bool IsBuildableCode(int32_t code)
{
    return code >= kFirstFormCode && code <= kLastFormCode && code != kUnusedFormCode;
}

bool HasForm(std::initializer_list<int32_t> codes, int32_t code)
{
    return std::find(codes.begin(), codes.end(), code) != codes.end();
}

bool IsRelationForm(int32_t code)
{
    return HasForm({29, 34, 35}, code);
}

bool IsColorPlotForm(int32_t code)
{
    return HasForm({59, 60}, code);
}

// Keeps the later of two option values.
void Replace(FormulaNode*& slot, FormulaNode* tree)
{
    FreeTree(slot);
    slot = tree;
}

void JoinCondition(FormulaNode*& conditions, FormulaNode* condition)
{
    conditions = conditions ? MakeBinaryNode(KindConditionList, conditions, condition) : condition;
}

// Sorts one statement after the comma into the options; the first rule
// that matches takes it, and one that matches none is passed over.
void CollectOption(GraphSet& set, AGraphColor* colour, int32_t code, const FormulaNode* item,
                   StatementOptions& options)
{
    DocState* doc = set.doc;
    if (IsColorAssignment(item, CodeR, 'g', 'b', doc, colour)) {
        set.SetColorFormulas(colour, ColorRgbFormulas, item);
    } else if (IsColorAssignment(item, 'h', 's', CodeV, doc, colour)) {
        set.SetColorFormulas(colour, ColorHsvFormulas, item);
    } else if (IsInequalityKind(item->kind) && IsWellFormedCondition(item, doc)) {
        JoinCondition(options.conditions, CopyTree(item));
        if (IsRelationForm(code))
            options.signProduct = ChainedRelationProduct(item, options.signProduct);
    } else if (IsLogicNode(item) && IsWellFormedCondition(item, doc)) {
        JoinCondition(options.conditions, CopyTree(item));
    } else if (IsOptionStatement("radius", item)) {
        Replace(options.radius, CopyTree(item->children[1]));
    } else if (IsTextOptionStatement(item, "symbol", doc)) {
        Replace(options.symbol, CopyTree(item->children[1]));
    } else if (IsTextOptionStatement(item, "label", doc)) {
        Replace(options.label, CopyTree(item->children[1]));
    } else if (IsOptionStatement("fontsize", item)) {
        Replace(options.fontSize, CopyTree(item->children[1]));
    } else if (IsStartPoint2D(false, item, doc)) {
        const FormulaNode* point = item->children[1];
        Replace(options.startX, CopyTree(point->children[0]));
        Replace(options.startY, CopyTree(point->children[1]));
    } else if (IsColorPlotForm(code)) {
        Replace(options.extraColorFormula, CopyTree(item));
    }
}

// The variable an explicit form is solved for, which its conditions may
// name for the curve's own value.
uint32_t ExplicitVariable(int32_t code)
{
    switch (code) {
    case 1:
    case 31: return CodeY;
    case 2:
    case 32: return CodeX;
    case 3: return CodeR;
    case 4: return CodeTheta;
    default: return 0;
    }
}

// The curve is undefined where its conditions fail: f becomes
// f + (0 if conditions), the conditions with the curve's own variable
// replaced by f. The conditions go into the tree.
void FoldConditions(int32_t code, FormulaNode* equation, FormulaNode*& conditions)
{
    const bool expression = code == 31 || code == 32;
    if (!expression && !IsTwoSidedEquation(equation))
        return;
    FormulaNode* value = expression ? equation : equation->children[1];
    ReplaceVariableByTree(conditions, ExplicitVariable(code), value);
    AddToNode(value, MakeBinaryNode(KindIf, MakeNumberNode(0), conditions));
    conditions = nullptr;
}

// y = f(x) written f(x) = y: the sides trade places, so that builders find
// the variable on the left.
bool SwapsSides(const FormulaNode* equation)
{
    if (!IsTwoSidedEquation(equation))
        return false;
    const FormulaNode* a = equation->children[0];
    const FormulaNode* b = equation->children[1];
    return IsGraphVariableNode(b) && !IsGraphVariableNode(a) && !IsSubscriptedGraphVariable(a) &&
           !IsDerivativeLeftSide(a);
}

// The right side's free letters for the forms whose left side names
// coordinates, the whole statement's for the others; a parameter's own
// definition adds nothing.
void AddFreeVariablesOf(DocState* doc, int32_t code, FormulaNode* equation)
{
    if (HasForm({20, 21, 22, 37, 42, 59, 60}, code)) {
        if (IsTwoSidedEquation(equation))
            DocAddFreeVariables(doc, equation->children[1]);
    } else if (!IsParameterDefinition(equation)) {
        DocAddFreeVariables(doc, equation);
    }
}

// The line's plotting mode, 0, 1 or 2; a value of no mode (from a damaged
// file) is the default 2, never an integer conversion out of range.
int32_t PlottingModeOf(double mode)
{
    return mode >= 0 && mode < 3 ? static_cast<int32_t>(mode) : 2;
}

FormulaNode* SpaceMappedCopy(const FormulaNode* tree, std::initializer_list<const FormulaNode*> equations)
{
    FormulaNode* mapped = CopyTree(tree);
    SwapPrimedSymbols(mapped);
    for (const FormulaNode* equation : equations)
        SubstituteEquation(mapped, equation);
    return mapped;
}

}  // namespace

FormBuilder SetFormBuilder(int32_t code, FormBuilder builder)
{
    if (!IsBuildableCode(code))
        return nullptr;
    FormBuilder previous = Builders[code];
    Builders[code] = builder;
    return previous;
}

FormBuilder GetFormBuilder(int32_t code)
{
    return IsBuildableCode(code) ? Builders[code] : nullptr;
}

void FreeStatementOptions(StatementOptions& options)
{
    for (FormulaNode** tree :
         {&options.conditions, &options.signProduct, &options.builderConditions, &options.radius, &options.symbol,
          &options.label, &options.fontSize, &options.startX, &options.startY, &options.extraColorFormula}) {
        FreeTree(*tree);
        *tree = nullptr;
    }
}

int32_t GraphSet::BuildEquationGraphs(FormulaNode* statement, bool in3D, bool in4D, const TransformRecord* transform,
                                      double color, double grain, double opacity, double plottingMode,
                                      double xyType, WindowHandle /*frame*/)
{
    lastBuildMessage = 0;
    if (!statement)
        return lastBuildMessage = GetUngraphableReason(statement, in3D, in4D, doc), -1;
    if (!HasViews())
        return lastBuildMessage = kMessageOutOfMemory, -1;

    // 1. The form, and the primed statement seen in the unprimed
    // variables while it is built.
    int32_t code = ClassifyStatementList(in4D, statement, in3D, doc);
    const bool primed = (code & kPrimedFormBit) != 0;
    code &= ~kPrimedFormBit;
    const int32_t view = primed ? 1 : 0;
    if (primed)
        SwapPrimedSymbols(statement);

    // 2. The colour.
    RenderContext* context = in4D ? view4D->context : views3D[view]->context;
    AGraphColor* colour = new (std::nothrow) AGraphColor(context, doc);
    if (!colour) {
        if (primed)
            SwapPrimedSymbols(statement);
        return lastBuildMessage = kMessageOutOfMemory, -1;
    }
    colour->SetColorCode(color);

    // 3. The statements after the comma.
    StatementOptions options;
    FormulaNode* equation = statement;
    if (HasExtraStatements(statement, doc)) {
        const bool wholeList = IsMultiItemForm(statement, doc);
        if (!wholeList)
            equation = statement->children[0];
        for (uint32_t i = wholeList ? 2 : 1; i < statement->childCount; ++i)
            CollectOption(*this, colour, code, statement->children[i], options);
    }

    // 4. Builders that take conditions get them as a formula of their own.
    if (options.conditions && FormTakesCondition(code, in3D) && !IsRelationForm(code)) {
        SubstituteParameters(options.conditions, doc);
        RenameSymbol(options.conditions, CodeR, CodeSphericalRadius);
        if (doc)
            doc->SetRecomputeOnStyleChange();
        options.builderConditions = options.conditions;
        options.conditions = nullptr;
    }

    // 5. Points have a size of their own.
    if (HasForm({45, 46, 47}, code)) {
        FreeTree(options.radius);
        options.radius = nullptr;
    }

    // 6. Relations are graphed from a copy joined with their conditions.
    FormulaNode* ownEquation = nullptr;
    if (IsRelationForm(code)) {
        options.signProduct = ChainedRelationProduct(equation, options.signProduct);
        ownEquation = CopyTree(equation);
        if (options.conditions) {
            ownEquation = MakeBinaryNode(KindConditionList, ownEquation, options.conditions);
            options.conditions = nullptr;
        }
        equation = ownEquation;
    }

    // The sides of a mirrored equation trade places before any condition is
    // folded into its right side: folded first, f(x) = y would become
    // f(x) = y + (0 if ...), a function of y that is no longer swapped.
    if (SwapsSides(equation)) {
        std::swap(equation->children[0], equation->children[1]);
        code = ClassifyStatementList(in4D, equation, in3D, doc);
        // A side that needs the primed exchange again is mixed: not graphed.
        if (code & kPrimedFormBit)
            code = 0;
    }

    // 7. Explicit curves are made undefined where their conditions fail.
    if (options.conditions && ExplicitVariable(code))
        FoldConditions(code, equation, options.conditions);

    // 8, 9. Free letters offered in the variables panel; parameters become
    // their values.
    AddFreeVariablesOf(doc, code, equation);
    SubstituteParameters(equation, doc);
    SubstituteParameters(options.signProduct, doc);

    // 12. The builder of the form.
    FormBuilder builder = GetFormBuilder(code);
    int32_t row = -1;
    if (builder) {
        BuilderArguments arguments;
        arguments.equation = code == 46 && IsTwoSidedEquation(equation) ? equation->children[1] : equation;
        arguments.view = view;
        arguments.transform = transform;
        arguments.grain = grain;
        arguments.opacity = opacity;
        arguments.plottingMode = PlottingModeOf(plottingMode);
        // 11. In space the surface style is the only one.
        arguments.xyType = in3D ? 1.0 : xyType;
        arguments.in3D = in3D;
        arguments.colorMode = code == 60 ? 1 : 0;
        arguments.doc = doc;
        arguments.colour = colour;
        arguments.options = options;
        options = StatementOptions{};
        const int32_t before = equationGraphs.count;
        builder(*this, arguments);
        // 13. Only a row this builder added answers for the line.
        if (equationGraphs.count > before)
            row = equationGraphs.count - 1;
        colour = arguments.colour;
        options = arguments.options;
    }
    delete colour;
    FreeStatementOptions(options);
    FreeTree(ownEquation);
    if (primed)
        SwapPrimedSymbols(statement);
    if (row < 0) {
        lastBuildMessage = IsBuildableCode(code) && !builder ? kMessageFormNotBuiltYet
                                                             : GetUngraphableReason(statement, in3D, in4D, doc);
    }
    return row;
}

CompiledFormula* GraphSet::Compile(FormulaNode* tree)
{
    CompiledFormula* formula = new (std::nothrow) CompiledFormula(tree, doc);
    if (!formula)
        FreeTree(tree);
    return formula;
}

CompiledFormula* GraphSet::CompileOptional(FormulaNode* tree)
{
    return tree ? Compile(tree) : nullptr;
}

CompiledFormula* GraphSet::CompileCopy(const FormulaNode* tree)
{
    return tree ? Compile(CopyTree(tree)) : nullptr;
}

void GraphSet::SetColorFormulas(AGraphColor* colour, int32_t kind, const FormulaNode* statement)
{
    if (!colour || !IsTwoSidedEquation(statement) || statement->children[1]->childCount != 3)
        return;
    const FormulaNode* column = statement->children[1];
    colour->kind = kind;
    DocAddFreeVariables(doc, column);
    if (doc)
        doc->SetRecomputeOnStyleChange();
    CompiledFormula** slots[] = {&colour->red, &colour->green, &colour->blue};
    for (uint32_t i = 0; i < 3; ++i) {
        FormulaNode* entry = CopyTree(column->children[i]);
        SubstituteParameters(entry, doc);
        CompiledFormula* formula = Compile(entry);
        if (formula) {
            formula->RenameSymbol(CodeR, CodeSphericalRadius);
            formula->RenameSymbol(CodeT, CodeU);
        }
        // A later colour statement replaces an earlier one.
        delete *slots[i];
        *slots[i] = formula;
    }
    colour->ReleaseShader();
}

void GraphSet::MapThroughSpaceTransform(const TransformRecord* record, const FormulaNode* x, const FormulaNode* y,
                                        const FormulaNode* z, const FormulaNode* condition, AGraphColor* colour,
                                        FormulaNode** mappedX, FormulaNode** mappedY, FormulaNode** mappedZ,
                                        CompiledFormula** mappedCondition)
{
    FormulaNode* e1 = MakeBinaryNode(KindEquation, MakeVariableNode(CodeXPrimed), CopyTree(x));
    FormulaNode* e2 = MakeBinaryNode(KindEquation, MakeVariableNode(CodeYPrimed), CopyTree(y));
    FormulaNode* e3 = MakeBinaryNode(KindEquation, MakeVariableNode(CodeZPrimed), CopyTree(z));
    if (mappedCondition)
        *mappedCondition = condition ? Compile(SpaceMappedCopy(condition, {e1, e2, e3})) : nullptr;
    if (colour && (colour->kind == ColorRgbFormulas || colour->kind == ColorHsvFormulas))
        MapColorFormulas(colour, e1, e2, e3);
    FormulaNode** outputs[] = {mappedX, mappedY, mappedZ};
    for (int32_t i = 0; i < 3; ++i) {
        const FormulaNode* component = record ? record->components[i] : nullptr;
        *outputs[i] = component ? SpaceMappedCopy(component, {e1, e2, e3}) : nullptr;
    }
    FreeTree(e1);
    FreeTree(e2);
    FreeTree(e3);
}
