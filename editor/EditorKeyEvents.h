// Qt key events in the editor's terms: the character the key table knows,
// its second form and the Ctrl and Shift flags. The one place where window
// system keys become editor keys.
#pragma once

#include <QString>
#include <Qt>

#include <cstdint>

class QKeyEvent;

struct EditorKey {
    uint32_t ch = 0;
    uint32_t ch2 = 0;
    uint32_t flags = 0;
};

// False for keys the editor does not take (modifiers alone, Enter, the page
// and function keys, a space with Ctrl).
bool EditorKeyFromEvent(int key, Qt::KeyboardModifiers modifiers, const QString& text, EditorKey& out);
bool EditorKeyFromEvent(const QKeyEvent& event, EditorKey& out);
