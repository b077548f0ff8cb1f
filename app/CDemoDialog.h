// "Run Demo": the modeless controller of the demonstrations beside the main
// frame: which tour, how fast, previous / play-pause / stop / next, and the
// tour's caption. It only reports what the user asks; the player acts.
#pragma once

#include <QDialog>

#include <cstdint>

class COdXPStyleButton;
class QComboBox;
class QLabel;
class QPlainTextEdit;
class QSlider;

class CDemoDialog : public QDialog {
    Q_OBJECT
public:
    // Command ids of the buttons and keys.
    enum : int32_t { IdPrev = 1122, IdPlay = 1117, IdPause = 1123, IdNext = 1121, IdStop = 2 };

    explicit CDemoDialog(QWidget* parent);

    // Selects the tour whose type is type, or none.
    void SelectDemoType(int32_t type);
    int32_t SelectedDemoType() const;
    // Puts the speed slider at position and applies it.
    void SetSpeedPosition(int32_t position);
    void SetCaption(const QString& caption);
    // Passes a key from the equation pane on: Tab, Up and Down to the dialog,
    // Space to Play or Pause, Left to Prev, Right to Next; others are ignored.
    void PostKey(int key);
    // The pause between steps, in ticks, for a speed position 0-10.
    static int32_t SpeedTicks(int32_t position);
    // Where the dialog goes beside the frame and where the frame goes: the
    // dialog's top-left at the frame's top-right; a frame that would push the
    // dialog past the right of the work area moves left, and is narrowed when
    // it would pass the left of the work area.
    struct Placement {
        QRect frame;
        QPoint dialog;
    };
    static Placement PlaceBesideFrame(const QRect& frame, int dialogWidth, const QRect& workRight, const QRect& workLeft);
    COdXPStyleButton* Button(int32_t id) const;
    bool IsPaused() const;

signals:
    void DemoTypeChosen(int32_t type);
    // back: Prev, else Next.
    void StepRequested(bool back);
    // The user paused (true) or resumed (false).
    void UserInputChanged(bool paused);
    void SpeedChanged(int32_t ticks);
    void StopRequested();
    // Ctrl+Tab: the frame's active view takes the focus.
    void FocusFrameRequested();

public slots:
    void reject() override;

private:
    void PlayOrPause();

    QComboBox* m_types;
    QSlider* m_speed;
    QLabel* m_paused;
    QPlainTextEdit* m_caption;
    COdXPStyleButton* m_prev;
    COdXPStyleButton* m_play;
    COdXPStyleButton* m_pause;
    COdXPStyleButton* m_stop;
    COdXPStyleButton* m_next;
};
