// "Slider Values": the animation slider's lowest and highest value, its
// number of steps and the one-letter variable it drives.
#pragma once

#include <QDialog>
#include <QLineEdit>

#include <cstdint>

// A field that takes one letter: any other character typed or pasted is dropped.
class CSingleAlphaEdit : public QLineEdit {
    Q_OBJECT
public:
    explicit CSingleAlphaEdit(QWidget* parent);
    static bool IsAccepted(QChar c) { return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z'); }

protected:
    void keyPressEvent(QKeyEvent* event) override;
};

class CSliderDialog : public QDialog {
    Q_OBJECT
public:
    static constexpr int32_t kMinSteps = 1;
    static constexpr int32_t kMaxSteps = 500;
    static constexpr double kValueLimit = 500;

    explicit CSliderDialog(QWidget* parent);

    void SetValues(int32_t steps, double lowest, double highest, const QString& variable);
    int32_t Steps() const { return m_steps; }
    double Lowest() const { return m_lowest; }
    double Highest() const { return m_highest; }
    QString Variable() const { return m_variable; }
    QLineEdit* Field(int32_t id) const;

    // Reads the fields back; a value out of range is reported and keeps the
    // dialog open; a highest below the lowest swaps the two.
    void accept() override;

private:
    bool ReadFields();

    QLineEdit* m_lowestEdit;
    QLineEdit* m_highestEdit;
    QLineEdit* m_stepsEdit;
    CSingleAlphaEdit* m_variableEdit;
    int32_t m_steps = 1;
    double m_lowest = 1.0;
    double m_highest = 10.0;
    QString m_variable = QStringLiteral("n");
};
