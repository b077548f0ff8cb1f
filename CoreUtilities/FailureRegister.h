// One process-wide register of failure codes (36-67) that the user must hear
// of. Any thread posts; the user-interface thread takes and shows them.
#pragma once

#include <cstdint>

void PostFailure(int32_t code);
void RearmFailure(int32_t code);
int32_t TakePendingFailure();
bool IsFailurePending();
// Empties the register; for tests and for nothing else.
void ResetFailureRegister();

// The text ShowSystemErrorBox shows for an error number (errno) after a
// prefix, cut to fit its 256-character buffer.
void FormatSystemErrorText(char (&out)[256], const char* prefix, int errorCode);
