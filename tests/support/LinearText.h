// A formula tree's linear text as a string, for expectations in tests.
#pragma once

#include <string>

struct FormulaNode;

// The text FormulaToText writes; "<no text>" when it could not be had.
std::string LinearText(const FormulaNode* node, bool bracket = false);
