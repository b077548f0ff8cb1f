// The document as text: keyword statements, each ended by ";" and a carriage
// return, with settings left out where they hold their defaults. What Save
// writes, what undo keeps as a snapshot and what the reader reads back.
#pragma once

#include <cstdint>

struct DocState;

constexpr int32_t kDocumentFormatVersion = 4;

// The whole document as a new NUL-terminated buffer (the caller frees it with
// BudgetFree); length (optional) receives the bytes before the NUL. Null when
// memory ran out while writing.
char* WriteDocumentText(DocState* doc, int32_t* length = nullptr);

// The pieces, appending to the top text buffer.
// A blank and x with 16 significant digits and '.' as the point.
void WriteDocNumber(double x);
void WriteKeywordLine(const char* keyword, double x);
void WriteKeywordLine2(const char* keyword, double a, double b);
void WriteKeywordLine3(const char* keyword, double a, double b, double c);
void WriteKeywordLine4(const char* keyword, double a, double b, double c, double d);
void WriteMatrix3Line(const char* keyword, const double* matrix);
void WriteMatrix4Line(const char* keyword, const double* matrix);
// Each writes its line when some value differs from its default; a value
// that is not a number counts as different.
void WriteKeywordIfChanged(const char* keyword, double value, double fallback);
void WriteKeyword2IfChanged(const char* keyword, double a, double b, double fallbackA, double fallbackB);
void WriteKeyword3IfChanged(const char* keyword, const double* values, const double* fallbacks);
void WriteKeyword4IfChanged(const char* keyword, const double* values, const double* fallbacks);
void WriteMatrix3IfChanged(const double* matrix, const double* reference, const char* keyword);
void WriteMatrix4IfChanged(const double* matrix, const double* reference, const char* keyword);
// Nothing for a value of exactly 1; a key that no letter spells is not
// written either.
void WriteParameterLine(double value, int32_t key);
// Nothing for the default face.
void WriteFontNameLine(const char* name);
// A one-letter name as the scanner reads it: ASCII letters as themselves,
// codes 128-255 in UTF-8. False (nothing written) for any other code.
bool PutLetterCode(uint32_t code);
