// The program's push buttons: tool buttons that show a bitmap resource (its
// transparent colour shows the button face through) or a caption, drawn by
// the style, flat with a frame while hovered. The style greys a disabled
// picture; it never hides it.
#pragma once

#include <QToolButton>

#include <cstdint>

class CGrainSlider;
class QMenu;

constexpr uint32_t kMagentaTransparent = 0xFF00FF;
constexpr uint32_t kBarGreyTransparent = 0xC0C0C0;

// A bitmap resource with its transparent colour made clear and the button
// greys mapped to the system's; null for a missing resource.
QPixmap LoadButtonPicture(int32_t id, uint32_t transparent);

class COdXPStyleButton : public QToolButton {
    Q_OBJECT
public:
    explicit COdXPStyleButton(QWidget* parent);

    // Shows bitmap id with the colour that shows through; false when the
    // resource cannot be read (the button then shows no picture).
    bool SetBitmapId(int32_t id, uint32_t transparent = kMagentaTransparent);
    // Another picture, keeping the transparent colour.
    bool SetBitmapIdOnly(int32_t id);
    // Reads the picture again (the system colours changed).
    bool ReloadBitmap();
    int32_t BitmapId() const { return m_bitmapId; }
    // The picture plus 5 pixels each way, in place.
    void SizeToContent();

protected:
    void changeEvent(QEvent* event) override;

private:
    int32_t m_bitmapId = 0;
    uint32_t m_transparent = kMagentaTransparent;
};

// A button that leaves the mouse to the demonstration: presses and double
// clicks are swallowed while a demonstration runs unpaused.
class CDemoButton : public COdXPStyleButton {
    Q_OBJECT
public:
    explicit CDemoButton(QWidget* parent);
    // Presses are refused now.
    static bool IsMouseLockedByDemo();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
};

// A button that never takes the keyboard focus, so the formula being typed
// keeps it. With demoGuard off it takes presses during a demonstration too
// (Stop Demo and the slider variable button).
class COdNoFocusButton : public CDemoButton {
    Q_OBJECT
public:
    COdNoFocusButton(const QString& text, bool demoGuard, QWidget* parent);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    bool m_demoGuard;
};

// The resolution button: one of four pictures by the level of the current
// line's grain, and the pop-up slider that changes it.
class CGrainButton : public CDemoButton {
    Q_OBJECT
public:
    explicit CGrainButton(QWidget* parent);

    // Levels 0-3 from x = 12 grain: below 3, 6, 9, and from 9.
    static int32_t LevelOfGrain(double grain);
    static int32_t PictureOfLevel(int32_t level) { return 241 + level; }
    // Shows the level's picture when the level changes (or when forced).
    void SetLevel(int32_t level, bool force = false);
    int32_t Level() const { return m_level; }
    // The position the pop-up starts under the pointer from: grain x 12.
    void SetStoredPosition(int32_t position) { m_storedPosition = position; }
    int32_t StoredPosition() const { return m_storedPosition; }
    CGrainSlider* Popup() const { return m_popup; }
    void SetPopup(CGrainSlider* popup) { m_popup = popup; }

private:
    int32_t m_level = 1;
    int32_t m_storedPosition = 6;
    CGrainSlider* m_popup = nullptr;
};

// A view's menu button of the bar's second row.
class CMenuBitmapButton : public CDemoButton {
    Q_OBJECT
public:
    CMenuBitmapButton(int32_t view, QWidget* parent);
    int32_t View() const { return m_view; }

private:
    int32_t m_view;
};
