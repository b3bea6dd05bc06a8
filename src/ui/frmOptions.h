#pragma once

#include "settings/OptionValues.h"
#include "settings/ProgramSettings.h"
#include "window/OptionsLogic.h"

#include <QDialog>

#include <array>
#include <string>
#include <vector>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace pivora::ui {

// The options dialog "设置": the sound reminder, the lossless turn and the number of
// conversions at once, plus the stored time range, which is kept in hidden boxes and carried
// through. OK checks, stores and saves (by the rules of pivora::window::OptionsLogic);
// anything else discards.
class frmOptions : public QDialog
{
    Q_OBJECT
public:
    explicit frmOptions(pivora::window::OptionsLogic logic, QWidget* parent = nullptr);
    frmOptions(pivora::settings::OptionValues& options, std::string optionsPath,
               pivora::settings::ProgramSettings& settings, std::string settingsPath,
               QWidget* parent = nullptr);

    void Command1_Click(); // OK
    void Command2_Click(); // back

protected:
    void mousePressEvent(QMouseEvent* event) override;

private:
    void Form_Load();
    void chkMC_Click();
    std::array<QLineEdit*, 6> RangeBoxes() const;

    pivora::window::OptionsLogic m_logic;
    std::vector<QWidget*> m_controls;

    QLabel* Label1 = nullptr;
    QComboBox* cmbSR = nullptr;
    QLabel* Label2 = nullptr;
    QComboBox* cmbLR = nullptr;
    QLabel* Label3 = nullptr;
    QComboBox* cmbPJ = nullptr;
    QPushButton* Command1 = nullptr;
    QPushButton* Command2 = nullptr;
    QCheckBox* chkMC = nullptr;
    QLineEdit* txtFromH = nullptr;
    QLineEdit* txtFromM = nullptr;
    QLineEdit* txtFromS = nullptr;
    QLineEdit* txtToH = nullptr;
    QLineEdit* txtToM = nullptr;
    QLineEdit* txtToS = nullptr;
};

} // namespace pivora::ui
