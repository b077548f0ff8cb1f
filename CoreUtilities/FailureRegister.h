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

// Shows the system's text for an error number (errno) after a prefix.
void ShowSystemErrorBox(const char* prefix, int errorCode, const char* file, int line);
void ReportWin32Error(int errorCode, const char* file, int line);
// The text ShowSystemErrorBox shows, cut to fit its 256-character buffer.
void FormatSystemErrorText(char (&out)[256], const char* prefix, int errorCode);
