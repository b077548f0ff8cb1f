// Modal message boxes for code that must not depend on the window toolkit.
#pragma once

#include <functional>
#include <string>

enum class MessageBoxIcon { None, Information, Warning, Error, Question };
enum class MessageBoxButtons { Ok, OkCancel, YesNo };

// Answers true for OK (or Yes). Without a window system the text goes to stderr.
bool ShowMessageBox(const std::string& utf8Text, const std::string& utf8Caption,
                    MessageBoxIcon icon, MessageBoxButtons buttons = MessageBoxButtons::Ok);
bool ShowMessageBox(const std::u16string& text, const std::u16string& caption,
                    MessageBoxIcon icon, MessageBoxButtons buttons = MessageBoxButtons::Ok);

// Replaces the boxes (tests record what would be shown); an empty hook restores them.
using MessageBoxHook = std::function<bool(const std::u16string& text, const std::u16string& caption,
                                          MessageBoxIcon icon, MessageBoxButtons buttons)>;
void SetMessageBoxHook(MessageBoxHook hook);
