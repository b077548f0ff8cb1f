#include "support/KeyTyping.h"

#include "editor/EditorCommands.h"

#include <cstdint>

namespace {

struct NamedKey {
    const char* name;
    uint32_t ch;
    uint32_t flags;
};

const NamedKey kNamedKeys[] = {
    {"<L>", kKeyLeft, 0},        {"<R>", kKeyRight, 0}, {"<U>", kKeyUp, 0},    {"<D>", kKeyDown, 0},
    {"<T>", '\t', 0},            {"<S-T>", '\t', kKeyShift}, {"<S-L>", kKeyLeft, kKeyShift},
    {"<S-R>", kKeyRight, kKeyShift}, {"<BS>", 8, 0},   {"<ESC>", 27, 0},
};

}  // namespace

void TypeKeys(EditorState* state, const std::string& keys)
{
    for (size_t i = 0; i < keys.size();) {
        bool named = false;
        for (const NamedKey& key : kNamedKeys) {
            std::string name = key.name;
            if (keys.compare(i, name.size(), name) == 0) {
                HandleEditorKey(key.ch, key.ch, key.flags, state, nullptr);
                i += name.size();
                named = true;
                break;
            }
        }
        if (named)
            continue;
        if (keys.compare(i, 3, "<C-") == 0 && i + 4 < keys.size() && keys[i + 4] == '>') {
            uint32_t letter = static_cast<unsigned char>(keys[i + 3]);
            HandleEditorKey(letter & ~0x20u, letter | 0x20u, kKeyCtrl, state, nullptr);
            i += 5;
            continue;
        }
        uint32_t ch = static_cast<unsigned char>(keys[i]);
        HandleEditorKey(ch, ch, 0, state, nullptr);
        ++i;
    }
}
