#include "app/CPrefDialog.h"

#include "app/CGraphView.h"
#include "app/CMainFrame.h"
#include "app/COndrelApp.h"
#include "app/Preferences.h"
#include "document/DocState.h"
#include "editor/COndrelView.h"
#include "graphs2d/GraphSet.h"
#include "rendering/GLProbe.h"
#include "rendering/ViewRenderContext.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QFontDatabase>
#include <QFormLayout>
#include <QLineEdit>
#include <QPushButton>

#include <algorithm>
#include <cstring>

namespace {

enum BackgroundItem { Black, White, Gray, Room, Floor, Other };

// The plain colours with an item of their own: grey levels.
const int kGreyOfItem[] = {0, 255, 128};

int BackgroundItemOf(const CPrefDialog::Values& v)
{
    if (v.backgroundType == 1)
        return Room;
    if (v.backgroundType == 2)
        return Floor;
    for (int item : {Black, White, Gray}) {
        if (std::all_of(v.background, v.background + 3, [&](uint8_t c) { return c == kGreyOfItem[item]; }))
            return item;
    }
    return Other;
}

// A number typed in a box; out of range keeps the last good value.
int ReadBox(const QLineEdit* box, int low, int high, int value)
{
    bool ok = false;
    int n = box->text().trimmed().toInt(&ok);
    return ok && n >= low && n <= high ? n : value;
}

}  // namespace

CPrefDialog::CPrefDialog(DocState* doc, QWidget* parent) : QDialog(parent), m_doc(doc)
{
    setWindowTitle(QStringLiteral("Document Settings"));
    m_current.significantDigits = doc->SignificantDigits;
    m_current.fontSize = doc->FontSizes;
    m_current.typeface = doc->FontName;
    m_current.backgroundType = doc->BackgroundType;
    std::memcpy(m_current.background, doc->BackgroundColor, 3);
    m_current.graphsToTheRight = doc->StackPanes;
    m_current.useSoftwareRenderer = GetHardwareAcceleration() == 1;
    m_start = m_current;

    auto* form = new QFormLayout(this);
    m_digits = new QLineEdit(this);
    m_fontSize = new QLineEdit(this);
    m_showGraph = new QComboBox(this);
    m_showGraph->addItems({QStringLiteral("Below equations"), QStringLiteral("To the right")});
    m_background = new QComboBox(this);
    m_background->addItems({QStringLiteral("Black"), QStringLiteral("White"), QStringLiteral("Gray"),
                            QStringLiteral("Room"), QStringLiteral("Floor"), QStringLiteral("Other...")});
    m_font = new QComboBox(this);
    m_font->addItems(QFontDatabase::families());
    m_software = new QCheckBox(QStringLiteral("Use Software Renderer"), this);
    // Without the OpenGL extensions every view draws in software anyway.
    m_software->setEnabled(AreGLExtensionsAvailable());
    auto* restore = new QPushButton(QStringLiteral("Restore Defaults"), this);
    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
    form->addRow(QStringLiteral("Precision (Significant Digits):"), m_digits);
    form->addRow(QStringLiteral("Show Graph"), m_showGraph);
    form->addRow(QStringLiteral("3D Background"), m_background);
    form->addRow(QStringLiteral("Font"), m_font);
    form->addRow(QStringLiteral("Font Size"), m_fontSize);
    form->addRow(m_software);
    form->addRow(restore);
    form->addRow(ok, cancel);
    FillControls();

    connect(m_showGraph, &QComboBox::activated, this, [this] { OnSettingChanged(); });
    connect(m_font, &QComboBox::activated, this, [this] { OnSettingChanged(); });
    connect(m_digits, &QLineEdit::editingFinished, this, [this] { OnSettingChanged(); });
    connect(m_fontSize, &QLineEdit::editingFinished, this, [this] { OnSettingChanged(); });
    connect(m_background, &QComboBox::activated, this, [this](int item) { OnSelchangeBackground(item); });
    connect(restore, &QPushButton::clicked, this, [this] { OnRestoreDefaults(); });
    connect(ok, &QPushButton::clicked, this, [this] { OnOK(); });
    connect(cancel, &QPushButton::clicked, this, [this] { OnCancel(); });
}

void CPrefDialog::FillControls()
{
    m_digits->setText(QString::number(m_current.significantDigits));
    m_fontSize->setText(QString::number(m_current.fontSize));
    m_showGraph->setCurrentIndex(m_current.graphsToTheRight ? 1 : 0);
    m_background->setCurrentIndex(BackgroundItemOf(m_current));
    QString face = QString::fromStdString(m_current.typeface);
    if (m_font->findText(face) < 0)
        m_font->addItem(face);
    m_font->setCurrentText(face);
    m_software->setChecked(m_current.useSoftwareRenderer);
}

void CPrefDialog::OnSettingChanged()
{
    // Digits from 1: a 0 would be stored and then refused at the next start.
    m_current.significantDigits = ReadBox(m_digits, 1, 14, m_current.significantDigits);
    m_current.fontSize = ReadBox(m_fontSize, 6, 72, m_current.fontSize);
    m_current.graphsToTheRight = m_showGraph->currentIndex() == 1;
    m_current.useSoftwareRenderer = m_software->isChecked();
    ApplySettings();
}

void CPrefDialog::OnSelchangeBackground(int item)
{
    if (item >= Black && item <= Gray) {
        m_current.backgroundType = 0;
        std::fill(m_current.background, m_current.background + 3, static_cast<uint8_t>(kGreyOfItem[item]));
    } else if (item == Room || item == Floor) {
        m_current.backgroundType = item == Room ? 1 : 2;
    } else {
        m_current.backgroundType = 0;
        QColor start(m_current.background[0], m_current.background[1], m_current.background[2]);
        QColor chosen = QColorDialog::getColor(start, this);
        if (chosen.isValid()) {
            m_current.background[0] = static_cast<uint8_t>(chosen.red());
            m_current.background[1] = static_cast<uint8_t>(chosen.green());
            m_current.background[2] = static_cast<uint8_t>(chosen.blue());
        }
    }
    ApplySettings();
}

void CPrefDialog::ApplySettings()
{
    // The typeface must fit the document's field and never carry a quote
    // into a saved document.
    std::string face = m_font->currentText().toStdString();
    if (!face.empty() && face.size() < 64 && face.find('"') == std::string::npos)
        m_current.typeface = face;
    m_doc->BackgroundType = m_current.backgroundType;
    std::memcpy(m_doc->BackgroundColor, m_current.background, 3);
    m_doc->StackPanes = m_current.graphsToTheRight;
    m_doc->SignificantDigits = static_cast<int16_t>(m_current.significantDigits);
    m_doc->FontSizes = static_cast<int16_t>(m_current.fontSize);
    std::snprintf(m_doc->FontName, sizeof m_doc->FontName, "%s", m_current.typeface.c_str());
    CMainFrame* frame = GetApp() ? GetApp()->MainFrame() : nullptr;
    if (frame) {
        frame->ApplyPaneLayout(m_current.graphsToTheRight);
        if (frame->EquationView())
            frame->EquationView()->InvalidateLayout();
    }
    RedrawGraphs(frame ? frame->GraphView() : nullptr);
}

void CPrefDialog::RedrawGraphs(CGraphView* graphView)
{
    // The graphs are made again in the new look and the render mode asked
    // for; what was shown or animated is shown or animated again.
    const bool shown = m_doc->DrawGraph;
    const bool animating = m_doc->IsAnimating();
    if (graphView)
        graphView->ClearGraphsAndRedraw();
    else if (m_doc->Graphs)
        m_doc->Graphs->ClearAllGraphs();
    if (auto* graphs = dynamic_cast<GraphSet*>(m_doc->Graphs)) {
        graphs->ReleaseRenderResources();
        graphs->SetRenderMode(m_current.useSoftwareRenderer || !AreGLExtensionsAvailable() ? 1 : 2);
        graphs->UpdateViewports();
    }
    if (!graphView)
        return;
    if (shown)
        graphView->DrawGraph();
    if (animating)
        m_doc->StartAnimation();
    graphView->update();
}

void CPrefDialog::OnOK()
{
    OnSettingChanged();
    DocumentPreferences& p = GetPreferences();
    p.backgroundType = m_current.backgroundType;
    std::memcpy(p.backgroundColor, m_current.background, 3);
    p.graphsToTheRight = m_current.graphsToTheRight;
    std::snprintf(p.typeface, sizeof p.typeface, "%s", m_current.typeface.c_str());
    p.mainFontSize = static_cast<int16_t>(m_current.fontSize);
    p.significantDigits = static_cast<int16_t>(m_current.significantDigits);
    SavePreferences();
    accept();
}

void CPrefDialog::OnCancel()
{
    m_current = m_start;
    FillControls();
    ApplySettings();
    reject();
}

void CPrefDialog::OnRestoreDefaults()
{
    m_current = Values();
    FillControls();
    ApplySettings();
}
