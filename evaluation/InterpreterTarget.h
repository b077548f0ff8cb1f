// Opens the instruction set of an interpreter source that its V3 file
// compiles a second time: included after every other header, so that shared
// inline code stays baseline code, and closed by VL_INTERPRETER_TARGET_END
// at the end of the source. VL_INTERPRETER_BUILD names the build's
// namespace. Deliberately without an include guard.
#if defined(VL_INTERPRETER_V3) && defined(__clang__)
#pragma clang attribute push(__attribute__((target("arch=x86-64-v3"))), apply_to = function)
#define VL_INTERPRETER_TARGET_END _Pragma("clang attribute pop")
#define VL_INTERPRETER_BUILD v3
#elif defined(VL_INTERPRETER_V3)
#pragma GCC push_options
#pragma GCC target("arch=x86-64-v3")
#define VL_INTERPRETER_TARGET_END _Pragma("GCC pop_options")
#define VL_INTERPRETER_BUILD v3
#else
#define VL_INTERPRETER_TARGET_END
#define VL_INTERPRETER_BUILD baseline
#endif
