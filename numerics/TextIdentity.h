// Text values of compiled formulas: a double that stands for a text. Texts
// are interned once per process, so a number names its text for as long as
// the program runs, whatever happens to the tree or table it came from, and
// only numbers from the reserved range ever name a text.
#pragma once

// The number of the text, interning a copy on first use; undefined (NaN) when
// memory runs out.
double TextIdentityOf(const char16_t* text);

// The text a number names, or null for any number that names none (zero and
// ordinary numbers included).
const char16_t* TextOfIdentity(double identity);
