// What the user's locale says about text.
#pragma once

// The first unit of the user's decimal separator; 0 when it has none.
char16_t LocaleDecimalPoint();
