// One user-defined function of the document: its definition f(x, ...) = body,
// kept in the document's user-function list.
#pragma once

#include "CoreUtilities/GrowArray.h"

struct DocState;
struct FormulaNode;

struct UserFunction {
    // Owned: an equation whose left side is the head (an application of the
    // function's name to the parameters) and whose right side is the body.
    FormulaNode* definition;
    DocState* doc;

    UserFunction(FormulaNode* definition, DocState* doc);
    ~UserFunction();
    UserFunction(const UserFunction&) = delete;
    UserFunction& operator=(const UserFunction&) = delete;

    // The head names the function as the name does (a variable or an indexed
    // variable, compared as trees).
    bool MatchesHead(const FormulaNode* name) const;
};

using UserFunctionList = GrowArray<UserFunction*>;
