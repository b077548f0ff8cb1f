// The program's 8-bit literals as wide strings, each converted once and kept
// for the rest of the run. Any thread may ask.
#pragma once

// The wide copy of an ASCII literal (empty when it is not ASCII); the caller
// does not free it.
const char16_t* WideLiteral(const char* literal);
// Converts literal, stores the copy in the cache and answers it.
const char16_t* WideFromLiteral(const char* literal);
