// The x86-64-v3 build of the complex batch interpreter.
#if defined(__x86_64__)
#define VL_INTERPRETER_V3
#include "evaluation/InterpretComplexBatch.cpp"
#endif
