// Puts the C library's numeric locale into one that writes decimal commas,
// as a user's environment may, without needing the machine to have one.
#pragma once

// True when snprintf and strtod now use ','. Undo with
// setlocale(LC_NUMERIC, "C").
bool UseCommaNumericLocale();
