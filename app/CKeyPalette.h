// The floating key palette: 31 buttons that type letters, symbols,
// functions and templates into the formula and run the symbolic commands.
// Each button only names an editor command; the frame hands it to the
// equation view. Two toggles switch the function keys to their inverse and
// hyperbolic forms.
#pragma once

#include <QPointer>
#include <QWidget>

#include <cstdint>

class COdXPStyleButton;

// What a key shows and posts with the toggles as given.
struct KeyPaletteKey {
    QString face;
    int32_t code;  // 0 for the two toggles
};
KeyPaletteKey KeyPaletteKeyAt(int32_t index, bool inverse, bool hyperbolic, char variable);
constexpr int32_t kKeyPaletteKeys = 31;
constexpr int32_t kKeyInverse = 12;     // index of the inverse toggle
constexpr int32_t kKeyHyperbolic = 13;  // index of the hyperbolic toggle

class CKeyPalette : public QWidget {
    Q_OBJECT
public:
    explicit CKeyPalette(QWidget* owner);
    ~CKeyPalette() override;

    // Makes the buttons; the stored position and visibility are applied.
    bool CreatePalette(const QString& title);
    // The equation view, which receives the keys typed at the palette.
    void SetEditWindow(QWidget* window) { m_editWindow = window; }
    void SetAnimationVariableKeyText(const QString& text);
    COdXPStyleButton* Key(int32_t index) const { return m_keys[index]; }
    bool IsInverse() const { return m_inverse; }
    bool IsHyperbolic() const { return m_hyperbolic; }
    void OnKeyInverse();
    void OnKeyHyperbolic();
    // A stored position is used when it lies on the screen (an unsigned
    // comparison, so negative values are ignored too).
    static bool IsStoredPositionUsable(int64_t x, int64_t y, const QSize& screen);

signals:
    // An editor command code, or a character code.
    void KeyCommand(int32_t code);
    // The close box hides the palette through the frame.
    void HideRequested();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void OnKey(int32_t index);
    void Relabel();

    COdXPStyleButton* m_keys[kKeyPaletteKeys] = {};
    QPointer<QWidget> m_editWindow;
    char m_variable = 'n';
    bool m_inverse = false;
    bool m_hyperbolic = false;
};
