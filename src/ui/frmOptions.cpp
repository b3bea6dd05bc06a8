#include "ui/frmOptions.h"

#include "ui/NativeText.h"
#include "ui/ScaleToScreen.h"
#include "ui/WindowChrome.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPushButton>

namespace pivora::ui {

namespace {

constexpr int kClientWidth = 305;
constexpr int kClientHeight = 224;

// One row of the dialog: a centred caption at `top`, and a box of choices under it.
QComboBox* ChoiceRow(QDialog& dialog, int top, QLabel*& label, const char* labelName,
                     const QString& caption, const char* boxName, const QString& tip,
                     const QStringList& items)
{
    label = new QLabel(caption, &dialog);
    label->setObjectName(QString::fromLatin1(labelName));
    label->setAlignment(Qt::AlignCenter);
    // As wide as its box and centred over it, so that a longer translation fits.
    label->setGeometry(74, top, 163, 14);
    auto* box = new QComboBox(&dialog);
    box->setObjectName(QString::fromLatin1(boxName));
    box->setToolTip(tip);
    box->setAccessibleName(caption);
    label->setBuddy(box);
    box->addItems(items);
    box->setGeometry(74, top + 22, 163, box->sizeHint().height());
    return box;
}

} // namespace

frmOptions::frmOptions(pivora::settings::OptionValues& options, std::string optionsPath,
                       pivora::settings::ProgramSettings& settings, std::string settingsPath,
                       QWidget* parent)
    : frmOptions(pivora::window::OptionsLogic(options, std::move(optionsPath), settings,
                                              std::move(settingsPath)),
                 parent)
{
}

frmOptions::frmOptions(pivora::window::OptionsLogic logic, QWidget* parent)
    : QDialog(parent), m_logic(std::move(logic))
{
    setWindowTitle(tr("设置"));
    setObjectName(QStringLiteral("frmOptions"));
    setFixedSize(kClientWidth, kClientHeight);

    const QStringList onOff{QStringLiteral("ON"), QStringLiteral("OFF")};
    //: The sound row's tooltip. The Chinese interface shows this text as it stands; a
    //: translation says what the box does: whether a sound plays when a batch ends.
    cmbSR = ChoiceRow(*this, 16, Label1, "Label1", tr("声音提醒"), "cmbSR", tr("MP3 Audio Bitrate"),
                      onOff);
    cmbLR = ChoiceRow(*this, 70, Label2, "Label2", tr("无损旋转"), "cmbLR",
                      tr("MP4 和 MOV 输出的纯旋转不重新编码"), onOff);
    QStringList jobs;
    for (int count = 1; count <= pivora::window::OptionsLogic::ParallelChoices(); ++count)
        jobs << QString::number(count);
    cmbPJ = ChoiceRow(*this, 124, Label3, "Label3", tr("同时转换"), "cmbPJ", tr("同时转换的文件数"),
                      jobs);

    Command1 = new QPushButton(QStringLiteral("OK"), this);
    Command1->setObjectName(QStringLiteral("Command1"));
    Command1->setGeometry(54, 184, 87, 25);
    Command1->setDefault(true);
    connect(Command1, &QPushButton::clicked, this, &frmOptions::Command1_Click);

    Command2 = new QPushButton(tr("返回"), this);
    Command2->setObjectName(QStringLiteral("Command2"));
    Command2->setGeometry(164, 184, 87, 25);
    connect(Command2, &QPushButton::clicked, this, &frmOptions::Command2_Click);

    // The stored range: kept, never shown.
    chkMC = new QCheckBox(QStringLiteral("Veriz Uvezid"), this);
    chkMC->setObjectName(QStringLiteral("chkMC"));
    chkMC->setTristate(true);
    chkMC->hide();
    connect(chkMC, &QCheckBox::stateChanged, this, &frmOptions::chkMC_Click);
    const char* names[] = {"txtFromH", "txtFromM", "txtFromS", "txtToH", "txtToM", "txtToS"};
    QLineEdit** boxes[] = {&txtFromH, &txtFromM, &txtFromS, &txtToH, &txtToM, &txtToS};
    for (int i = 0; i < 6; ++i) {
        *boxes[i] = new QLineEdit(QStringLiteral("0"), this);
        (*boxes[i])->setObjectName(QString::fromLatin1(names[i]));
        (*boxes[i])->setGeometry(10 + i * 48, kClientHeight + 10, 40, 20);
        (*boxes[i])->setEnabled(false);
        (*boxes[i])->hide();
    }
    m_controls = {Label1, cmbSR,    Label2,   cmbLR,    Label3, cmbPJ,  Command1, Command2,
                  chkMC,  txtFromH, txtFromM, txtFromS, txtToH, txtToM, txtToS};
    Form_Load();
}

std::array<QLineEdit*, 6> frmOptions::RangeBoxes() const
{
    return {txtFromH, txtFromM, txtFromS, txtToH, txtToM, txtToS};
}

void frmOptions::Form_Load()
{
    ScaleToScreen(*this, *this, m_controls, ScreenDpiX(*this), ScreenDpiY(*this));
    const pivora::window::OptionsFields fields = m_logic.Form_Load();
    cmbSR->setCurrentIndex(fields.SoundReminder);
    cmbLR->setCurrentIndex(fields.LosslessRotation);
    cmbPJ->setCurrentIndex(fields.ParallelJobs);
    constexpr Qt::CheckState states[] = {Qt::Unchecked, Qt::Checked, Qt::PartiallyChecked};
    chkMC->setCheckState(states[fields.CutEnabled]);
    chkMC_Click();
    for (std::size_t i = 0; i < fields.Range.size(); ++i)
        RangeBoxes()[i]->setText(QString::fromStdString(fields.Range[i]));
}

void frmOptions::chkMC_Click()
{
    const int state = chkMC->checkState() == Qt::Checked            ? 1
                      : chkMC->checkState() == Qt::PartiallyChecked ? 2
                                                                    : 0;
    for (QLineEdit* box : RangeBoxes())
        box->setEnabled(pivora::window::OptionsLogic::RangeBoxesEnabled(state));
}

void frmOptions::Command1_Click()
{
    pivora::window::OptionsFields fields;
    fields.SoundReminder = cmbSR->currentIndex();
    fields.LosslessRotation = cmbLR->currentIndex();
    fields.ParallelJobs = cmbPJ->currentIndex();
    fields.CutEnabled = chkMC->checkState() == Qt::Checked            ? 1
                        : chkMC->checkState() == Qt::PartiallyChecked ? 2
                                                                      : 0;
    for (std::size_t i = 0; i < fields.Range.size(); ++i)
        fields.Range[i] = RangeBoxes()[i]->text().toStdString();
    if (const auto refused = m_logic.Command1_Click(fields)) {
        QMessageBox::warning(this, CoreText(refused->Title), CoreText(refused->Text));
        RangeBoxes()[static_cast<std::size_t>(refused->Focus)]->setFocus();
        return;
    }
    if (fields.CutEnabled == 0)
        chkMC->setCheckState(Qt::Unchecked);
    accept();
}

void frmOptions::Command2_Click()
{
    reject();
}

void frmOptions::mousePressEvent(QMouseEvent* event)
{
    event->ignore();
    MoveWindowFromBackground(*this, *event);
    if (!event->isAccepted())
        QDialog::mousePressEvent(event);
}

} // namespace pivora::ui
