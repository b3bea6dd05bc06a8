#include "ui/frmOptions.h"

#include "settings/SettingsFiles.h"
#include "ui/ScaleToScreen.h"
#include "ui/WindowChrome.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPushButton>

#include <algorithm>
#include <cmath>

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
    : QDialog(parent), m_options(options), m_optionsPath(std::move(optionsPath)),
      m_settings(settings), m_settingsPath(std::move(settingsPath))
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
    // One conversion per core at most: more would only share the same cores.
    QStringList jobs;
    for (int count = 1; count <= pivora::settings::MaxParallelJobs(); ++count)
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

void frmOptions::Form_Load()
{
    ScaleToScreen(*this, *this, m_controls, ScreenDpiX(*this), ScreenDpiY(*this));
    cmbSR->setCurrentIndex(m_options.SoundReminder >= 0 && m_options.SoundReminder < cmbSR->count()
                               ? m_options.SoundReminder
                               : -1);
    cmbLR->setCurrentIndex(m_settings.LosslessRotation ? 0 : 1);
    // A number written for a bigger machine shows as this machine's most.
    cmbPJ->setCurrentIndex(std::clamp(m_settings.ParallelJobs, 1, cmbPJ->count()) - 1);
    // The stored value is 0 (off), 1 (on) or 2 (greyed), as the check box has always kept it.
    switch (m_options.CutEnabled) {
    case 0:
        chkMC->setCheckState(Qt::Unchecked);
        break;
    case 1:
        chkMC->setCheckState(Qt::Checked);
        break;
    case 2:
        chkMC->setCheckState(Qt::PartiallyChecked);
        break;
    default:
        break;
    }
    chkMC_Click();
    if (chkMC->checkState() == Qt::Checked) {
        FillRange(m_options.CutStart, txtFromH, txtFromM, txtFromS);
        FillRange(m_options.CutEnd, txtToH, txtToM, txtToS);
    }
}

void frmOptions::FillRange(std::int32_t total, QLineEdit* hours, QLineEdit* minutes,
                           QLineEdit* seconds)
{
    const double value = total;
    hours->setText(QString::number(static_cast<long long>(std::floor(value / 3600))));
    minutes->setText(
        QString::number(static_cast<long long>(std::floor((value - V(hours) * 3600) / 60))));
    seconds->setText(QString::number(
        static_cast<long long>(std::floor(value - V(hours) * 3600 - V(minutes) * 60))));
}

void frmOptions::chkMC_Click()
{
    const bool on = chkMC->checkState() == Qt::Checked;
    for (QLineEdit* box : {txtFromH, txtFromM, txtFromS, txtToH, txtToM, txtToS})
        box->setEnabled(on);
}

double frmOptions::V(const QLineEdit* box) const
{
    return pivora::settings::LeadingNumber(box->text().toStdString());
}

bool frmOptions::Refuse(QLineEdit* box, const QString& text, const QString& title)
{
    QMessageBox::warning(this, title, text);
    box->setFocus();
    return false;
}

void frmOptions::Command1_Click()
{
    if (V(txtFromM) > 59)
        return void(Refuse(txtFromM, tr("分钟必须小于60"), tr("分钟")));
    if (V(txtToM) > 59)
        return void(Refuse(txtToM, tr("分钟必须小于60"), tr("分钟")));
    if (V(txtFromS) > 59)
        return void(Refuse(txtFromS, tr("秒必须小于60"), tr("秒")));
    if (V(txtToS) > 59)
        return void(Refuse(txtToS, tr("秒必须小于60"), tr("秒")));

    const QLineEdit* all[] = {txtFromH, txtFromM, txtFromS, txtToH, txtToM, txtToS};
    if (std::all_of(std::begin(all), std::end(all),
                    [&](const QLineEdit* box) { return V(box) == 0; }))
        chkMC->setCheckState(Qt::Unchecked);

    using pivora::settings::RoundHalfEven;
    m_options.SoundReminder = static_cast<std::int16_t>(cmbSR->currentIndex());
    m_options.CutEnabled = chkMC->checkState() == Qt::Checked            ? 1
                           : chkMC->checkState() == Qt::PartiallyChecked ? 2
                                                                         : 0;
    const double start = RoundHalfEven(V(txtFromH) * 3600 + V(txtFromM) * 60 + V(txtFromS));
    const double end = RoundHalfEven(V(txtToH) * 3600 + V(txtToM) * 60 + V(txtToS));
    // A sum that does not fit its field leaves the field as it was.
    if (std::abs(start) <= 2147483647.0)
        m_options.CutStart = static_cast<std::int32_t>(start);
    if (std::abs(end) <= 2147483647.0)
        m_options.CutEnd = static_cast<std::int32_t>(end);
    pivora::settings::SaveOptions(m_optionsPath, m_options);
    m_settings.LosslessRotation = cmbLR->currentIndex() == 0;
    // An untouched box keeps a number written for a bigger machine.
    if (const int jobs = cmbPJ->currentIndex() + 1;
        jobs != std::clamp(m_settings.ParallelJobs, 1, cmbPJ->count()))
        m_settings.ParallelJobs = jobs;
    pivora::settings::SaveProgramSettings(m_settingsPath, m_settings);
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
