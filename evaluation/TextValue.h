// Texts as values: a formula's text node and a table's text cell reach the
// interpreters as a double that identifies their text. Zero means no text.
// An identity is a positive subnormal number (its bit pattern is the text's
// number in the process-wide list), a range no typed number falls in; a
// number that is not a known identity stays a number.
#pragma once

// The identity of the text; equal texts share one identity. The list keeps a
// copy for the life of the process. 0 when the copy cannot be made.
double TextValueOf(const char16_t* text);

// The text an identity stands for; null for 0, for any other number and for
// an identity the list never gave out.
const char16_t* TextOfValue(double value);
