#include "evaluation/UserFunction.h"

const BytecodeProgram* UserFunctionCallee(const DocState*, int32_t, int32_t)
{
    return nullptr;
}
