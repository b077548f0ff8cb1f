#include "evaluation/InterpreterBuild.h"

unsigned char InterpreterBuildFlag = 0;

bool CanRunV3Build()
{
#if defined(__x86_64__)
    return __builtin_cpu_supports("x86-64-v3");
#else
    return false;
#endif
}

void SelectInterpreterBuild()
{
    InterpreterBuildFlag = CanRunV3Build() ? 1 : 0;
}
