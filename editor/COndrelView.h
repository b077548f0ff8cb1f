// The equation pane window: paints the document's lines double-buffered,
// scrolls them with its bar and the wheel, hosts the editing caret, and hands
// keys, presses and focus to the document and the editor.
#pragma once

#include "CoreUtilities/ShortRect.h"

#include <QPoint>
#include <QRect>
#include <QWidget>

#include <memory>
#include <vector>

struct COndrelView_PrintChunk;
struct CPrintInfo;
struct EquationPanePrintState;
class PortDC;
class QPaintDevice;
class QPainter;
class QScrollBar;
class QTimer;

// The pane's scroll steps: a line step of the bar, and the margin kept
// between the caret and the window's edge.
constexpr int kPaneLineStep = 10;
constexpr int kCaretScrollMargin = 15;

class COndrelView : public QWidget {
    Q_OBJECT
public:
    explicit COndrelView(QWidget* parent);
    ~COndrelView() override;

    // The lines are laid out again before the next paint.
    void InvalidateLayout();
    // Lays the lines out now when they are stale.
    void RelayoutPane();
    // The document's lines, laid out unscrolled, reach down to totalHeight:
    // the bar takes that extent and the lines move up by the scroll position.
    void ApplyScrollToLines(int32_t totalHeight);
    int32_t ScrollPosition() const { return m_scroll; }
    int32_t ScrollExtent() const { return m_extent; }
    // Scrolls to a position clamped to 0..limit; false when it did not move.
    bool ScrollTo(int32_t position);
    int32_t ScrollLimit() const;
    bool HasVerticalScrollBar() const;
    QScrollBar* VerticalScrollBar() const { return m_vbar; }
    void ScrollCaretIntoView();

    // Shows, places or hides the caret for the current editor state.
    void UpdateCaret();
    // The caret is shown: this view has the focus and a formula is edited.
    bool IsCaretShown() const;
    QRect CaretRect() const { return m_caretRect; }
    // Hides the caret until shown again, keeping its place.
    void SetCaretHidden(bool hidden)
    {
        m_caretHidden = hidden;
        update(m_caretRect.adjusted(-1, -1, 1, 1));
    }
    // Draws everything the pane shows into the device context.
    void DrawPaneContents(PortDC* dc);
    // The hint caption's box as last drawn; empty while there is no hint.
    ShortRect HintCaptionRect() const { return m_hintRect; }

    // A key as the editor knows it: the document's dispatch, then relayout,
    // the caret scrolled into view and a redraw. Enter draws the graphs.
    void HandleEditorKeyPress(uint32_t ch, uint32_t ch2, uint32_t flags);
    // A key palette button's command (or character) on the edited formula,
    // as its key would run it.
    void DoKeypadCommand(int32_t code);

    // The clipboard commands on the edited formula or panel cell; false when
    // nothing was copied or pasted.
    bool Copy();
    bool Cut();
    bool Paste();
    bool CanPaste() const;

    // Text > New Text Block: a text block after the current line (before it
    // with before set), or the text block already there is edited.
    void OnNewTextBlock(bool before = false);

    // Printing (EquationPanePrinting.cpp): the lines laid out for the
    // printer's page and cut into pages, one page drawn, the screen layout
    // back.
    void OnBeginPrinting(QPaintDevice& printer, CPrintInfo& info);
    void OnPrint(QPainter& painter, CPrintInfo& info);
    void OnEndPrinting(CPrintInfo& info);
    // The pieces of the document on each page while printing.
    const std::vector<COndrelView_PrintChunk>& PrintChunks() const;
    EquationPanePrintState* PrintState() const { return m_print.get(); }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    bool focusNextPrevChild(bool next) override;

private:
    void PressAt(QMouseEvent* event, bool doubleClick);
    void FormulaChanged();
    void PlaceBar();
    void DrawHintCaption(PortDC* dc);
    void DrawDemoBanner(PortDC* dc);
    void BlinkCaret();
    // Scrolls so that the rows top..bottom of the window show, with a margin.
    void ScrollRowsIntoView(int top, int bottom);

    QScrollBar* m_vbar = nullptr;
    QTimer* m_blink = nullptr;
    int32_t m_extent = 0;
    int32_t m_scroll = 0;
    bool m_layoutStale = true;
    bool m_paneCollapsed = true;
    bool m_caretActive = true;
    bool m_caretWanted = false;
    bool m_caretPhase = true;
    bool m_caretHidden = false;
    QRect m_caretRect;
    QPoint m_savedCaret{5, 5};
    ShortRect m_hintRect{0, 0, 0, 0};
    std::unique_ptr<EquationPanePrintState> m_print;
};
