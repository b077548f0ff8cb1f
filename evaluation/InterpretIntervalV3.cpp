// The x86-64-v3 build of the interval interpreter.
#if defined(__x86_64__)
#define VL_INTERPRETER_V3
#include "evaluation/InterpretInterval.cpp"
#endif
