// The rich-text box of a text block (and of a table cell): a text edit in
// the equation pane whose keys, presses, pastes and height the pane and the
// document follow.
#pragma once

#include <QTextEdit>

#include <cstdint>

class COurEdit : public QTextEdit {
    Q_OBJECT
public:
    explicit COurEdit(QWidget* parent = nullptr);

    // The last height the box asked for: its content's height plus a margin.
    int32_t requestedHeight = 5;
    // While set the box does not paint (the markup writer walks it).
    int32_t paintLock = 0;
    // The requested height when the current key came in.
    int32_t heightBeforeKey = 5;

    // Pasted text keeps its faces, sizes and effects, nothing else: no
    // colour, no vertical offset or script, no letter spacing.
    void OnNormalizePastedText();
    // A typed character, after the rules of tables and Ctrl shortcuts.
    void OnChar(QKeyEvent* event);

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void insertFromMimeData(const QMimeData* source) override;
    bool canInsertFromMimeData(const QMimeData* source) const override;

private:
    // The height changed since the key came in: the pane lays its lines out
    // again (and repaints where the box shrank).
    void FollowHeight();
    void RecordEdit();
};
