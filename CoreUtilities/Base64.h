// Base64 text of the pictures stored in documents: the standard alphabet,
// and never an "=" (a short last group is filled with "A").
#pragma once

#include <cstddef>

// Appends the base64 text of count bytes (4 x ceil(count / 3) characters) to
// the top text buffer; false when the buffer dropped any of it.
bool WriteBase64(const void* bytes, size_t count);
// Decodes up to count characters of text into destination, writing at most
// capacity bytes, and answers the bytes written. Decoding ends at the first
// character outside the alphabet ("=", white space, NUL) and at the end of
// count; a group cut short keeps the bytes its valid characters complete.
size_t ReadBase64(const char* text, size_t count, unsigned char* destination, size_t capacity);
