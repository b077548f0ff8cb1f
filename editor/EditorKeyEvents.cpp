#include "editor/EditorKeyEvents.h"

#include "editor/EditorCommands.h"

#include <QKeyEvent>

namespace {

struct KeyCharacter {
    int key;
    uint32_t ch;
};

// Keys that act by their key rather than by the character they type: Delete
// deletes to the right whatever the modifiers.
const KeyCharacter kNavigationKeys[] = {
    {Qt::Key_Backspace, 8}, {Qt::Key_Delete, 127}, {Qt::Key_Left, kKeyLeft},   {Qt::Key_Right, kKeyRight},
    {Qt::Key_Up, kKeyUp},   {Qt::Key_Down, kKeyDown}, {Qt::Key_Escape, 27}, {Qt::Key_Tab, '\t'},
    {Qt::Key_Backtab, '\t'},
};

// With Ctrl and Shift down the key table names keys by their unshifted
// character (Ctrl+Shift+4, Ctrl+Shift+comma); Qt reports the shifted one.
const KeyCharacter kUnshifted[] = {
    {Qt::Key_Exclam, '1'},    {Qt::Key_At, '2'},        {Qt::Key_NumberSign, '3'}, {Qt::Key_Dollar, '4'},
    {Qt::Key_Percent, '5'},   {Qt::Key_AsciiCircum, '6'}, {Qt::Key_Ampersand, '7'}, {Qt::Key_Asterisk, '8'},
    {Qt::Key_ParenLeft, '9'}, {Qt::Key_ParenRight, '0'}, {Qt::Key_Underscore, '-'}, {Qt::Key_Plus, '='},
    {Qt::Key_Colon, ';'},     {Qt::Key_Less, ','},      {Qt::Key_Greater, '.'},    {Qt::Key_Question, '/'},
    {Qt::Key_BraceLeft, '['}, {Qt::Key_BraceRight, ']'}, {Qt::Key_Bar, '\\'},     {Qt::Key_QuoteDbl, '\''},
    {Qt::Key_AsciiTilde, '`'},
};

uint32_t Lookup(const KeyCharacter* table, size_t count, int key)
{
    for (size_t i = 0; i < count; ++i) {
        if (table[i].key == key)
            return table[i].ch;
    }
    return 0;
}

uint32_t FirstCodePoint(const QString& text)
{
    if (text.isEmpty())
        return 0;
    char32_t c = text.at(0).unicode();
    if (text.at(0).isHighSurrogate() && text.size() > 1 && text.at(1).isLowSurrogate())
        c = QChar::surrogateToUcs4(text.at(0), text.at(1));
    return c;
}

}  // namespace

bool EditorKeyFromEvent(int key, Qt::KeyboardModifiers modifiers, const QString& text, EditorKey& out)
{
    bool ctrl = modifiers & Qt::ControlModifier;
    bool shift = modifiers & Qt::ShiftModifier;
    out.flags = (ctrl ? kKeyCtrl : 0) | (shift ? kKeyShift : 0);
    if (key == Qt::Key_Backtab)
        out.flags |= kKeyShift;
    if (uint32_t ch = Lookup(kNavigationKeys, std::size(kNavigationKeys), key)) {
        out.ch = out.ch2 = ch;
        return true;
    }
    if (ctrl) {
        // Ctrl combinations go by the key: letters arrive as capitals, with
        // the lower-case letter as the second form while Shift is up.
        uint32_t ch = 0;
        if (key >= Qt::Key_A && key <= Qt::Key_Z)
            ch = static_cast<uint32_t>(key);
        else if (shift)
            ch = Lookup(kUnshifted, std::size(kUnshifted), key);
        if (!ch && key >= 0x21 && key < 0x7F)
            ch = static_cast<uint32_t>(key);
        if (!ch)
            return false;
        out.ch = ch;
        out.ch2 = !shift && ch >= 'A' && ch <= 'Z' ? ch + 32 : ch;
        return true;
    }
    uint32_t ch = FirstCodePoint(text);
    if (ch == 0 || ch == '\r' || ch == '\n' || ch < 0x20)
        return false;
    out.ch = out.ch2 = ch;
    return true;
}

bool EditorKeyFromEvent(const QKeyEvent& event, EditorKey& out)
{
    return EditorKeyFromEvent(event.key(), event.modifiers(), event.text(), out);
}
