// The program's user-visible message texts by number (1-59).
#pragma once

#include <cstdint>

// Static text of a message code; "Internal Error" for a code without a text.
const char16_t* GetMessageText(int32_t code);

// Shows the code's text in a message box with the program's title.
void ShowMessageCode(int32_t code);
