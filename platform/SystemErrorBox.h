// A message box with the system's text for an error number (errno).
#pragma once

// Shows the system's text for an error number after a prefix; nothing for 0.
void ShowSystemErrorBox(const char* prefix, int errorCode, const char* file, int line);
void ReportWin32Error(int errorCode, const char* file, int line);
