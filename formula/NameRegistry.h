// Symbol codes and the process-wide registry of names. A variable node holds
// a 16-bit code: a one-character name below 128 is its character, the named
// symbols are 1-6, codes 7-14 are special graphing variables, and every other
// name is interned here with a code from 256 up, never reused.
#pragma once

#include "CoreUtilities/GrowArray.h"

#include <cstdint>

struct DocState;
struct FormulaNode;

struct NameRegistryEntry {
    uint16_t key;
    char16_t* name;  // owned by the registry
};

constexpr uint32_t kFirstRegistryCode = 256;
constexpr uint32_t kLastRegistryCode = 65535;

// The code of the name, interning it on first use; 0 (failure 36 posted)
// when the code space is used up or memory runs out.
uint32_t InternSymbolName(const char16_t* name);
uint32_t InternSymbolName8(const char* name);
// A fresh nameless code; 0 (failure 36 posted) when none is left.
uint32_t NextRegistryCode();
// A nameless code for the index of a loop that a lowering pass makes, one per
// nesting depth (0-127), from codes no name ever gets (128-255), so that
// passes rerun on every edit do not use up the registry.
uint32_t InternalIndexCode(uint32_t depth);
// The interned name of the code (compared as 16 bits), else "_index_".
const char16_t* SymbolName(uint32_t code);
// Frees every name; codes handed out stay used.
void ClearNameRegistry();

// Registry names the editor recognises when it reads a typed name.
void NoteNameInUse(uint32_t code);
const GrowArray<const char16_t*>& GetNamesInUse();
void ClearNamesInUse();

// Interns "color", "symbol", "label", "radius" and "fontsize" once.
void InternStyleKeys();
bool IsStyleKeyName(uint32_t code);

// The document's tables define the code as a function.
bool IsTableFunctionName(uint32_t code, const DocState* doc);
// The code names column 0 of a table and that entry is flagged.
bool IsFlaggedFirstColumn(uint32_t code, const DocState* doc);
// The most rows of a table column that a variable of the subtree names; 0
// when none does.
int32_t MaxTableLengthOfTree(FormulaNode* root, const DocState* doc);
// The names of the document's table columns, in line and column order;
// rebuilt first when the document marked them stale.
const GrowArray<const char16_t*>& GetTableColumnNames(DocState* doc);

bool IsBuiltInVariable(uint32_t code);
bool IsConstantSymbol(uint32_t code);
bool IsReservedSymbol(uint32_t code);
bool IsBuiltInSymbol(uint32_t code);
bool CanBeFunctionParameter(uint32_t code);
