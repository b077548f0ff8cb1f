#include "platform/SystemErrorBox.h"

#include "CoreUtilities/FailureRegister.h"
#include "platform/MessageBox.h"

void ShowSystemErrorBox(const char* prefix, int errorCode, const char*, int)
{
    if (errorCode == 0)
        return;
    char text[256];
    FormatSystemErrorText(text, prefix ? prefix : "", errorCode);
    ShowMessageBox(text, "Error", MessageBoxIcon::Information);
}

void ReportWin32Error(int errorCode, const char* file, int line)
{
    ShowSystemErrorBox("", errorCode, file, line);
}
