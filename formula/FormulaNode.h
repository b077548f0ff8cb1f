// The expression-tree node and the small records hanging from it. Nodes and
// those records come from the calling thread group's block pools.
#pragma once

#include <cstdint>

struct FormulaNode;

// Typesetting box of one node, made on first need. The typesetter writes and
// reads every field; the tree code only makes, keeps and frees it.
struct LayoutBox {
    float relativeY;
    float relativeX;
    float absoluteBottom;
    float absoluteLeft;
    float depth;
    float height;
    float width;
    uint8_t atomFlag;
    uint8_t scriptLevel;
    uint8_t wideMark;
    uint8_t flags;  // bit 1: a variable naming a table column; bit 0: the editor's
};
static_assert(sizeof(LayoutBox) == 32);

constexpr int kTypedNumberUnits = 25;

// A number's value and the text the user typed for it (NUL-terminated when
// shorter than the field).
struct NumberPayload {
    double value;
    char16_t text[kTypedNumberUnits];
};

// What a node carries beside its children, by kind. Pointer-wide so that a
// number's payload reference fits; codes and pairs use the low 32 bits.
union NodePayload {
    NumberPayload* number;  // number nodes
    uint32_t code;          // variables: SymbolCode; bound variables: code or numbered key
    struct {
        int16_t low;   // matrix: rows; subscript: 0
        int16_t high;  // matrix: columns; subscript: 1
    } pair;
};

struct FormulaNode {
    // Child pointers; a text node keeps its NUL-terminated UTF-16 string here.
    FormulaNode** children;
    FormulaNode* parent;
    LayoutBox* layoutBox;
    NodePayload payload;
    uint16_t childCount;
    int32_t kind;

    // Gives the node a zeroed box unless it has one; on failure the box stays
    // null and the node-memory failure protocol has run.
    void EnsureLayoutBox();

    char16_t* Text() const { return reinterpret_cast<char16_t*>(children); }
};

// The most children a node can hold (the count is 16 bits).
constexpr uint32_t kMaxChildCount = 65535;

// A zero-filled node block with no kind and no children; null when no block
// can be had (the failure protocol has then run).
FormulaNode* AllocZeroedNode();

// A zero-filled node of the kind with count child slots (not cleared). Null,
// after the failure protocol, when the node or its child array cannot be had,
// and null without it for a count above kMaxChildCount.
FormulaNode* MakeNode(int32_t kind, uint32_t count);

// Gives the node count child slots keeping the first min(old, new) pointers.
// False, with the node unchanged, when the count is too large or no array can
// be had.
bool ResizeChildArray(FormulaNode* node, uint32_t count);

// Child arrays of 1-3 come from the pools, larger ones from the heap (refused
// while computations must stop).
FormulaNode** AllocChildArray(uint32_t count);
// AllocChildArray, and for a large count one more try on the plain heap; null
// after the node-memory failure protocol when no array can be had.
FormulaNode** NewChildArray(uint32_t count);

// Frees the node's children array, text or number payload; null-safe.
void FreeChildStorage(FormulaNode* node);
// Frees the layout box and the node block.
void FreeNodeBlocks(FormulaNode* node);
// FreeChildStorage then FreeNodeBlocks; the children themselves stay.
void FreeNode(FormulaNode* node);

FormulaNode* MakeNumberNode(double value);
FormulaNode* MakePlaceholderNode();
FormulaNode* MakeVariableNode(uint32_t code);

// What every node operation does when memory runs out: raise AbortFlag,
// flush the pools so that freed memory goes back, post failure 36.
void NodeMemoryFailure();
