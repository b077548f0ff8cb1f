// "Document Settings": edits the current document's digits, font, 3D
// background and pane layout with a live preview; OK stores them as the
// preferences new documents take, Cancel puts the document back.
#pragma once

#include <QDialog>

#include <cstdint>
#include <string>

class QCheckBox;
class QComboBox;
class QLineEdit;
class CGraphView;
struct DocState;

class CPrefDialog : public QDialog {
public:
    struct Values {
        uint8_t backgroundType = 1;
        uint8_t background[3] = {0, 0, 0};
        bool graphsToTheRight = false;
        std::string typeface = "Times New Roman";
        int fontSize = 24;
        int significantDigits = 6;
        bool useSoftwareRenderer = false;
        bool operator==(const Values&) const = default;
    };

    explicit CPrefDialog(DocState* doc, QWidget* parent = nullptr);

    bool IsChanged() const { return !(m_current == m_start); }
    const Values& Current() const { return m_current; }
    void ApplySettings();
    void OnOK();
    void OnCancel();
    void OnRestoreDefaults();
    void OnSelchangeBackground(int item);
    void OnSettingChanged();

    QLineEdit* m_digits = nullptr;
    QLineEdit* m_fontSize = nullptr;
    QComboBox* m_showGraph = nullptr;
    QComboBox* m_background = nullptr;
    QComboBox* m_font = nullptr;
    QCheckBox* m_software = nullptr;

private:
    void FillControls();
    // Clears the document's graphs and, with a graph pane, draws again what
    // it showed.
    void RedrawGraphs(CGraphView* graphView);

    DocState* m_doc;
    Values m_current;
    Values m_start;
};
