#include "app/CKeyPalette.h"

#include "app/ProgramButtons.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QFrame>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QScreen>
#include <QSettings>

namespace {

// Faces and codes: plain, inverse, hyperbolic, both. The picture keys show
// their mathematics as text.
struct KeySpec {
    QRect place;
    const char* face[4];
    int32_t code[4];
    const char* tip;
};

#define SAME(x) {x, x, x, x}
const KeySpec kKeys[kKeyPaletteKeys] = {
    {{5, 6, 30, 21}, SAME("x"), SAME('x'), nullptr},
    {{37, 6, 30, 21}, SAME("r"), SAME('r'), nullptr},
    {{69, 6, 30, 21}, SAME("e"), SAME('e'), "e (natural log base)"},
    {{101, 6, 30, 21}, SAME("x!"), SAME(4114), "factorial, gamma"},
    {{5, 29, 30, 21}, SAME("y"), SAME('y'), nullptr},
    {{37, 29, 30, 21}, SAME("\u03B8"), SAME(4884), "theta (option-t)"},
    {{69, 29, 30, 21}, SAME("\u03C0"), SAME(4882), "pi (option-p)"},
    {{101, 29, 30, 21}, SAME("|x|"), SAME(4156), "absolute value, modulus"},
    {{5, 52, 30, 21}, SAME("z"), SAME('z'), nullptr},
    {{37, 52, 30, 21}, SAME("\u03C6"), SAME(4870), "phi (option-f)"},
    {{69, 52, 30, 21}, SAME("n"), SAME('n'), nullptr},  // the animation variable
    {{101, 52, 30, 21}, SAME("1/x"), SAME(6313), "reciprocal"},
    {{5, 88, 55, 21}, SAME("inverse"), SAME(0), nullptr},
    {{62, 88, 69, 21}, SAME("hyperbolic"), SAME(0), nullptr},
    {{5, 111, 40, 21}, {"x\u00B2", "\u221Ax", "x\u00B2", "\u221Ax"}, {6314, 4145, 6314, 4145}, "square (@)"},
    {{48, 111, 40, 21}, {"x\u00B3", "\u221Bx", "x\u00B3", "\u221Bx"}, {6315, 6319, 6315, 6319}, "cube (^3)"},
    {{91, 111, 40, 21}, {"x\u02B8", "\u02B8\u221Ax", "x\u02B8", "\u02B8\u221Ax"}, {4159, 6320, 4159, 6320}, "power"},
    {{5, 134, 40, 21}, {"e\u02E3", "ln", "e\u02E3", "ln"}, {6316, 4167, 6316, 4167}, "power of e"},
    {{48, 134, 40, 21}, {"2\u02E3", "log\u2082", "2\u02E3", "log\u2082"}, {6317, 6321, 6317, 6321}, "power of 2"},
    {{91, 134, 40, 21}, {"10\u02E3", "log", "10\u02E3", "log"}, {6318, 4144, 6318, 4144}, "power of 10"},
    {{5, 157, 40, 21}, {"sin", "asin", "sinh", "asinh"}, {4119, 4125, 4131, 4137}, "sine"},
    {{48, 157, 40, 21}, {"cos", "acos", "cosh", "acosh"}, {4120, 4126, 4132, 4138}, "cosine"},
    {{91, 157, 40, 21}, {"tan", "atan", "tanh", "atanh"}, {4121, 4127, 4133, 4139}, "tangent"},
    {{5, 180, 40, 21}, {"csc", "acsc", "csch", "acsch"}, {4123, 4129, 4135, 4141}, "cosecant"},
    {{48, 180, 40, 21}, {"sec", "asec", "sech", "asech"}, {4124, 4130, 4136, 4142}, "secant"},
    {{91, 180, 40, 21}, {"cot", "acot", "coth", "acoth"}, {4122, 4128, 4134, 4140}, "cotangent"},
    {{8, 216, 60, 21}, SAME("Simplify"), SAME(8192), nullptr},
    {{68, 216, 60, 21}, SAME("Expand"), SAME(8194), nullptr},
    {{8, 239, 60, 21}, SAME("Calculate"), SAME(8199), nullptr},
    {{68, 239, 60, 21}, SAME("Isolate"), SAME(8214), nullptr},
    {{28, 262, 86, 21}, SAME("Differentiate"), SAME(6322), nullptr},
};
#undef SAME

constexpr int kVariableKey = 10;

QSettings ProgramSettings()
{
    return QSettings(QStringLiteral("Kestrane"), QStringLiteral("Vellumor"));
}

}  // namespace

KeyPaletteKey KeyPaletteKeyAt(int32_t index, bool inverse, bool hyperbolic, char variable)
{
    if (index < 0 || index >= kKeyPaletteKeys)
        return {QString(), 0};
    if (index == kVariableKey)
        return {QString(QLatin1Char(variable)), static_cast<unsigned char>(variable)};
    const int form = (inverse ? 1 : 0) + (hyperbolic ? 2 : 0);
    return {QString::fromUtf8(kKeys[index].face[form]), kKeys[index].code[form]};
}

CKeyPalette::CKeyPalette(QWidget* owner) : QWidget(owner, Qt::Tool)
{
    setFixedSize(143, 313);
    setFocusPolicy(Qt::StrongFocus);
}

CKeyPalette::~CKeyPalette()
{
    // A palette never made keeps the stored place.
    if (!m_keys[0])
        return;
    QSettings settings = ProgramSettings();
    settings.setValue(QStringLiteral("PalettePosX"), x());
    settings.setValue(QStringLiteral("PalettePosY"), y());
}

bool CKeyPalette::IsStoredPositionUsable(int64_t x, int64_t y, const QSize& screen)
{
    return static_cast<uint32_t>(x) < static_cast<uint32_t>(screen.width()) &&
           static_cast<uint32_t>(y) < static_cast<uint32_t>(screen.height());
}

bool CKeyPalette::CreatePalette(const QString& title)
{
    setWindowTitle(title);
    QFont face(QStringLiteral("Sans Serif"));
    face.setPointSize(8);
    setFont(face);
    // Etched separators between the letters, the functions and the commands.
    for (const QRect& line : {QRect(6, 80, 125, 2), QRect(7, 208, 123, 2)}) {
        auto* separator = new QFrame(this);
        separator->setFrameStyle(QFrame::HLine | QFrame::Sunken);
        separator->setGeometry(line);
    }
    for (int32_t i = 0; i < kKeyPaletteKeys; ++i) {
        auto* key = new COdXPStyleButton(this);
        key->setAutoRaise(false);
        key->setFocusPolicy(Qt::NoFocus);
        key->setGeometry(kKeys[i].place);
        if (kKeys[i].tip)
            key->setToolTip(QString::fromUtf8(kKeys[i].tip));
        m_keys[i] = key;
        if (i == kKeyInverse || i == kKeyHyperbolic)
            key->setCheckable(true);
        connect(key, &QAbstractButton::clicked, this, [this, i] { OnKey(i); });
    }
    Relabel();
    // The stored place, when it is on the screen; the stored visibility.
    QSettings settings = ProgramSettings();
    bool okX = false;
    bool okY = false;
    const int64_t x = settings.value(QStringLiteral("PalettePosX")).toLongLong(&okX);
    const int64_t y = settings.value(QStringLiteral("PalettePosY")).toLongLong(&okY);
    QScreen* screen = QGuiApplication::primaryScreen();
    if (okX && okY && screen && IsStoredPositionUsable(x, y, screen->size()))
        move(static_cast<int>(x), static_cast<int>(y));
    if (settings.value(QStringLiteral("KeypadVisible")).toUInt() != 0)
        show();
    return true;
}

void CKeyPalette::SetAnimationVariableKeyText(const QString& text)
{
    if (!text.isEmpty())
        m_variable = text[0].toLatin1();
    Relabel();
    m_keys[kVariableKey]->repaint();
}

void CKeyPalette::Relabel()
{
    for (int32_t i = 0; i < kKeyPaletteKeys; ++i)
        if (m_keys[i])
            m_keys[i]->setText(KeyPaletteKeyAt(i, m_inverse, m_hyperbolic, m_variable).face);
}

void CKeyPalette::OnKey(int32_t index)
{
    if (index == kKeyInverse)
        return OnKeyInverse();
    if (index == kKeyHyperbolic)
        return OnKeyHyperbolic();
    // As a posted message: the command runs after the click is done.
    const int32_t code = KeyPaletteKeyAt(index, m_inverse, m_hyperbolic, m_variable).code;
    QMetaObject::invokeMethod(this, [this, code] { emit KeyCommand(code); }, Qt::QueuedConnection);
    setFocus();
}

void CKeyPalette::OnKeyInverse()
{
    m_inverse = !m_inverse;
    m_keys[kKeyInverse]->setChecked(m_inverse);
    Relabel();
    setFocus();
}

void CKeyPalette::OnKeyHyperbolic()
{
    m_hyperbolic = !m_hyperbolic;
    m_keys[kKeyHyperbolic]->setChecked(m_hyperbolic);
    Relabel();
    setFocus();
}

void CKeyPalette::keyPressEvent(QKeyEvent* event)
{
    // Typing at the palette still edits the formula.
    if (m_editWindow)
        QCoreApplication::postEvent(m_editWindow, new QKeyEvent(event->type(), event->key(), event->modifiers(),
                                                                event->text(), event->isAutoRepeat(),
                                                                static_cast<ushort>(event->count())));
}

void CKeyPalette::keyReleaseEvent(QKeyEvent* event)
{
    if (m_editWindow)
        QCoreApplication::postEvent(m_editWindow, new QKeyEvent(event->type(), event->key(), event->modifiers(),
                                                                event->text(), event->isAutoRepeat(),
                                                                static_cast<ushort>(event->count())));
}

void CKeyPalette::closeEvent(QCloseEvent* event)
{
    event->ignore();
    emit HideRequested();
}
