#include "app/CDemoDialog.h"

#include "app/ProgramButtons.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QShortcut>
#include <QSlider>

#include <cmath>

namespace {

// The next press of Play or Pause pauses; kept for the whole run.
bool pauseNext = true;

constexpr struct {
    const char* name;
    int32_t type;
} kDemoTypes[] = {
    {"Basics", 1}, {"Curves", 3}, {"Surfaces", 4}, {"Fields", 5}, {"Four dimensions", 7},
    {"Complex variables", 8}, {"Exponential functions", 9}, {"Examples", 11}, {"Full demo", 12},
};

}  // namespace

CDemoDialog::CDemoDialog(QWidget* parent)
    : QDialog(parent),
      m_types(new QComboBox(this)),
      m_speed(new QSlider(Qt::Horizontal, this)),
      m_paused(new QLabel(QStringLiteral("Demo is paused"), this)),
      m_caption(new QPlainTextEdit(this))
{
    setWindowTitle(QStringLiteral("Run Demo"));
    setModal(false);
    for (const auto& entry : kDemoTypes)
        m_types->addItem(QString::fromUtf8(entry.name), entry.type);
    m_types->setCurrentIndex(-1);
    m_speed->setRange(0, 10);
    m_speed->setValue(5);
    m_caption->setReadOnly(true);
    m_paused->hide();

    auto makeButton = [this](int32_t picture, const char* tip) {
        auto* button = new COdXPStyleButton(this);
        button->SetBitmapId(picture);
        button->setToolTip(QString::fromUtf8(tip));
        button->setAutoRaise(false);
        return button;
    };
    m_prev = makeButton(328, "Prev");
    m_play = makeButton(324, "Play/Pause");
    m_pause = makeButton(326, "Play/Pause");
    m_stop = makeButton(329, "Stop");
    m_next = makeButton(327, "Next");
    m_play->hide();

    auto* grid = new QGridLayout(this);
    auto* typeLabel = new QLabel(QStringLiteral("Show &demo:"), this);
    typeLabel->setBuddy(m_types);
    grid->addWidget(typeLabel, 0, 0);
    grid->addWidget(m_types, 0, 1);
    auto* speedLabel = new QLabel(QStringLiteral("Demo &speed:"), this);
    speedLabel->setBuddy(m_speed);
    grid->addWidget(speedLabel, 1, 0);
    grid->addWidget(m_speed, 1, 1);
    grid->addWidget(new QLabel(QStringLiteral("Demo navigation:"), this), 2, 0, 1, 2);
    auto* row = new QHBoxLayout;
    for (QWidget* button : {m_prev, m_play, m_pause, m_stop, m_next})
        row->addWidget(button);
    row->addStretch();
    grid->addLayout(row, 3, 0, 1, 2);
    grid->addWidget(new QLabel(QStringLiteral("Demo comments:"), this), 4, 0);
    grid->addWidget(m_paused, 4, 1, Qt::AlignRight);
    grid->addWidget(m_caption, 5, 0, 1, 2);

    connect(m_types, &QComboBox::activated, this, [this](int index) {
        if (index >= 0)
            emit DemoTypeChosen(m_types->itemData(index).toInt());
    });
    connect(m_prev, &QAbstractButton::clicked, this, [this] { emit StepRequested(true); });
    connect(m_next, &QAbstractButton::clicked, this, [this] { emit StepRequested(false); });
    connect(m_play, &QAbstractButton::clicked, this, &CDemoDialog::PlayOrPause);
    connect(m_pause, &QAbstractButton::clicked, this, &CDemoDialog::PlayOrPause);
    connect(m_stop, &QAbstractButton::clicked, this, &CDemoDialog::reject);
    // A drag takes effect when the thumb is released.
    m_speed->setTracking(false);
    connect(m_speed, &QSlider::valueChanged, this, [this](int p) { emit SpeedChanged(SpeedTicks(p)); });
    const struct {
        QKeySequence keys;
        QAbstractButton* target;
    } accelerators[] = {{Qt::Key_Right, m_next}, {Qt::Key_Left, m_prev}, {Qt::Key_Space, nullptr}};
    for (const auto& a : accelerators) {
        auto* shortcut = new QShortcut(a.keys, this);
        QAbstractButton* target = a.target;
        connect(shortcut, &QShortcut::activated, this, [this, target] {
            if (target)
                target->click();
            else
                PlayOrPause();
        });
    }
    connect(new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_Tab), this), &QShortcut::activated, this,
            &CDemoDialog::FocusFrameRequested);
    connect(new QShortcut(QKeySequence(Qt::Key_Return), this), &QShortcut::activated, this, &CDemoDialog::reject);
}

int32_t CDemoDialog::SpeedTicks(int32_t position)
{
    const int32_t d = 10 - position;
    if (d <= 0)
        return 0;
    if (d <= 5)
        return 48 * d;
    return static_cast<int32_t>(240 * std::exp(d - 5));
}

CDemoDialog::Placement CDemoDialog::PlaceBesideFrame(const QRect& frame, int dialogWidth, const QRect& workRight,
                                                     const QRect& workLeft)
{
    QRect placed = frame;
    const int overflow = placed.right() + 1 + dialogWidth - (workRight.right() + 1);
    if (overflow >= 0) {
        const int room = placed.left() - workLeft.left();
        if (overflow <= room) {
            placed.translate(-overflow, 0);
        } else {
            // As far left as the work area allows, narrowed by the rest.
            placed.translate(-room, 0);
            placed.setRight(placed.right() - (overflow - room));
        }
    }
    return {placed, QPoint(placed.right() + 1, placed.top())};
}

COdXPStyleButton* CDemoDialog::Button(int32_t id) const
{
    switch (id) {
    case IdPrev: return m_prev;
    case IdPlay: return m_play;
    case IdPause: return m_pause;
    case IdStop: return m_stop;
    case IdNext: return m_next;
    default: return nullptr;
    }
}

void CDemoDialog::SelectDemoType(int32_t type)
{
    m_types->setCurrentIndex(m_types->findData(type));
}

int32_t CDemoDialog::SelectedDemoType() const
{
    return m_types->currentIndex() < 0 ? 0 : m_types->currentData().toInt();
}

void CDemoDialog::SetSpeedPosition(int32_t position)
{
    m_speed->setValue(position);
    emit SpeedChanged(SpeedTicks(m_speed->value()));
}

void CDemoDialog::SetCaption(const QString& caption)
{
    m_caption->setPlainText(caption);
}

void CDemoDialog::PlayOrPause()
{
    emit UserInputChanged(pauseNext);
    m_play->setVisible(pauseNext);
    m_paused->setVisible(pauseNext);
    m_pause->setVisible(!pauseNext);
    pauseNext = !pauseNext;
}

bool CDemoDialog::IsPaused() const
{
    return !pauseNext;
}

void CDemoDialog::PostKey(int key)
{
    QAbstractButton* target = nullptr;
    switch (key) {
    case Qt::Key_Tab:
    case Qt::Key_Up:
    case Qt::Key_Down:
        activateWindow();
        setFocus();
        return;
    case Qt::Key_Space:
        target = m_play->isVisible() ? m_play : m_pause;
        break;
    case Qt::Key_Left:
        target = m_prev;
        break;
    case Qt::Key_Right:
        target = m_next;
        break;
    default:
        return;
    }
    // Pressed, held a tenth of a second, released: the user sees the press.
    target->setFocus();
    target->animateClick();
}

void CDemoDialog::reject()
{
    emit StopRequested();
    hide();
    m_caption->clear();
    m_speed->setValue(5);
    m_paused->hide();
}
