#include "WindowFixture.h"

#include "settings/ProgramSettings.h"
#include "settings/SettingsFiles.h"
#include "ui/frmOptions.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>

#include <algorithm>
#include <thread>

using pivora::settings::OptionValues;

namespace {

class OptionsTest : public ::testing::Test
{
protected:
    OptionsTest() { pivora::test::App(); }

    std::unique_ptr<pivora::ui::frmOptions> Open()
    {
        auto dialog =
            std::make_unique<pivora::ui::frmOptions>(options, file, settings, settingsFile);
        dialog->show();
        return dialog;
    }

    template <typename T> static T* Find(QWidget* dialog, const char* name)
    {
        T* widget = dialog->findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(widget, nullptr) << name;
        return widget;
    }

    static std::vector<std::string> Boxes(QWidget* dialog)
    {
        std::vector<std::string> texts;
        for (const char* name : {"txtFromH", "txtFromM", "txtFromS", "txtToH", "txtToM", "txtToS"})
            texts.push_back(Find<QLineEdit>(dialog, name)->text().toStdString());
        return texts;
    }

    pivora::test::TempDir dir;
    std::string file = dir.File("options.ini");
    OptionValues options;
    std::string settingsFile = dir.File("config/pivora/pivora.conf");
    pivora::settings::ProgramSettings settings;
};

} // namespace

TEST_F(OptionsTest, LayoutAndTheSoundReminderRoundTrip)
{
    auto dialog = Open();
    EXPECT_EQ(dialog->windowTitle(), "设置");
    EXPECT_EQ(dialog->size(), QSize(305, 224));
    EXPECT_EQ(Find<QLabel>(dialog.get(), "Label1")->text(), "声音提醒");
    auto* sound = Find<QComboBox>(dialog.get(), "cmbSR");
    EXPECT_EQ(sound->geometry().topLeft(), QPoint(74, 38));
    EXPECT_EQ(sound->currentText(), "ON");
    EXPECT_EQ(Find<QLabel>(dialog.get(), "Label2")->text(), "无损旋转");
    EXPECT_EQ(Find<QComboBox>(dialog.get(), "cmbLR")->currentText(), "OFF");
    EXPECT_EQ(Find<QLabel>(dialog.get(), "Label3")->text(), "同时转换");
    EXPECT_EQ(Find<QComboBox>(dialog.get(), "cmbPJ")->currentText(), "1");
    const int cores = std::clamp(static_cast<int>(std::thread::hardware_concurrency()), 1, 16);
    EXPECT_EQ(Find<QComboBox>(dialog.get(), "cmbPJ")->count(), cores);
    EXPECT_EQ(Find<QPushButton>(dialog.get(), "Command1")->geometry(), QRect(54, 184, 87, 25));
    EXPECT_EQ(Find<QPushButton>(dialog.get(), "Command2")->text(), "返回");
    EXPECT_FALSE(Find<QWidget>(dialog.get(), "chkMC")->isVisible());

    sound->setCurrentIndex(1);
    Find<QPushButton>(dialog.get(), "Command1")->click();
    EXPECT_EQ(dialog->result(), QDialog::Accepted);
    EXPECT_EQ(options.SoundReminder, 1);
    EXPECT_EQ(pivora::test::ReadFile(file), "1\r\n0\r\n0\r\n0\r\n");

    // Back after a change discards it; the next opening shows what was stored.
    dialog = Open();
    EXPECT_EQ(Find<QComboBox>(dialog.get(), "cmbSR")->currentText(), "OFF");
    Find<QComboBox>(dialog.get(), "cmbSR")->setCurrentIndex(0);
    Find<QPushButton>(dialog.get(), "Command2")->click();
    EXPECT_EQ(options.SoundReminder, 1);
    EXPECT_EQ(pivora::test::ReadFile(file), "1\r\n0\r\n0\r\n0\r\n");

    // No item chosen: stored as -1 again.
    options.SoundReminder = -1;
    dialog = Open();
    EXPECT_EQ(Find<QComboBox>(dialog.get(), "cmbSR")->currentIndex(), -1);
    Find<QPushButton>(dialog.get(), "Command1")->click();
    EXPECT_EQ(options.SoundReminder, -1);
    EXPECT_EQ(pivora::test::ReadLines(file).front(), "-1\r");

    // The lossless turn lives in pivora.conf, which keeps what it does not know, never in
    // options.ini; the next opening shows it.
    pivora::test::WriteFile(settingsFile, "# mine\n[Other]\nKey=1\n");
    dialog = Open();
    Find<QComboBox>(dialog.get(), "cmbLR")->setCurrentIndex(0);
    Find<QComboBox>(dialog.get(), "cmbPJ")->setCurrentIndex(cores - 1);
    Find<QPushButton>(dialog.get(), "Command1")->click();
    const std::string most = std::to_string(cores);
    EXPECT_EQ(pivora::test::ReadFile(settingsFile),
              "# mine\n[Other]\nKey=1\n\n[Conversion]\nLosslessRotation=true\nParallelJobs=" +
                  most + "\n");
    EXPECT_TRUE(pivora::settings::LoadProgramSettings(settingsFile).LosslessRotation);
    EXPECT_EQ(pivora::test::ReadLines(file).size(), 4u);
    dialog = Open();
    EXPECT_EQ(Find<QComboBox>(dialog.get(), "cmbLR")->currentText(), "ON");
    EXPECT_EQ(Find<QComboBox>(dialog.get(), "cmbPJ")->currentText(), QString::fromStdString(most));
    // Any number is brought into range, however far out; anything else means one.
    const std::pair<const char*, int> read[] = {{"64", 16}, {"99999999999999999999", 16},
                                                {"+3", 3},  {"0", 1},
                                                {"-5", 1},  {"two", 1},
                                                {"2.5", 1}, {"", 1}};
    for (const auto& [written, jobs] : read) {
        pivora::test::WriteFile(settingsFile, std::string("[Conversion]\nParallelJobs=") + written);
        const pivora::settings::ProgramSettings loaded =
            pivora::settings::LoadProgramSettings(settingsFile);
        EXPECT_EQ(loaded.ParallelJobs, jobs) << written;
        EXPECT_EQ(pivora::settings::ParallelJobsUsed(loaded), std::min(jobs, cores)) << written;
    }
}

TEST_F(OptionsTest, MinutesAndSecondsAboveFiftyNineAreRefused)
{
    options = {0, 1, 90, 120};
    pivora::settings::SaveOptions(file, options);
    auto dialog = Open();
    // The boxes are hidden from users; shown here so that the focus can be seen to move.
    for (QLineEdit* box : dialog->findChildren<QLineEdit*>())
        box->show();
    dialog->activateWindow();

    pivora::test::ModalAnswerer answers;
    auto* fromMinutes = Find<QLineEdit>(dialog.get(), "txtFromM");
    auto* toSeconds = Find<QLineEdit>(dialog.get(), "txtToS");
    fromMinutes->setText(QStringLiteral("60"));
    toSeconds->setText(QStringLiteral("61"));
    Find<QPushButton>(dialog.get(), "Command1")->click();
    ASSERT_EQ(answers.seen.size(), 1u);
    EXPECT_EQ(answers.seen[0].text, "分钟必须小于60");
    EXPECT_EQ(answers.seen[0].title, "分钟");
    EXPECT_EQ(answers.seen[0].icon, QMessageBox::Warning);
    EXPECT_TRUE(dialog->isVisible()) << "the dialog stays open";
    EXPECT_EQ(dialog->focusWidget(), fromMinutes);

    fromMinutes->setText(QStringLiteral("59"));
    Find<QPushButton>(dialog.get(), "Command1")->click();
    ASSERT_EQ(answers.seen.size(), 2u);
    EXPECT_EQ(answers.seen[1].text, "秒必须小于60");
    EXPECT_EQ(answers.seen[1].title, "秒");
    EXPECT_EQ(dialog->focusWidget(), toSeconds);
    // Nothing was stored or written.
    EXPECT_EQ(options.CutStart, 90);
    EXPECT_EQ(pivora::test::ReadFile(file), "0\r\n1\r\n90\r\n120\r\n");

    toSeconds->setText(QStringLiteral("7"));
    Find<QPushButton>(dialog.get(), "Command1")->click();
    EXPECT_EQ(options.CutStart, 59 * 60 + 30);
    EXPECT_EQ(options.CutEnd, 2 * 60 + 7);
}

TEST_F(OptionsTest, SettingsFromTheMainWindowAreModal)
{
    pivora::test::TempDir windowDir;
    pivora::test::RecordingServices services;
    pivora::ui::frmMain window(
        pivora::test::WindowSetup(windowDir.Path(), windowDir.Path(), &services));
    window.show();

    bool wasModal = false;
    QTimer::singleShot(50, [&] {
        auto* dialog = qobject_cast<pivora::ui::frmOptions*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        wasModal = dialog->isModal();
        dialog->findChild<QComboBox*>(QStringLiteral("cmbSR"))->setCurrentIndex(1);
        dialog->findChild<QPushButton*>(QStringLiteral("Command1"))->click();
    });
    window.imgToolbar_Click(2);
    EXPECT_TRUE(wasModal);
    EXPECT_EQ(window.Options().SoundReminder, 1);
    EXPECT_EQ(pivora::test::ReadFile(windowDir.File("options.ini")), "1\r\n0\r\n0\r\n0\r\n");
}
