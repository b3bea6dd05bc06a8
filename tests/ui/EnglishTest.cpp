// The window in English, from the translation the build compiles, and in Chinese without it.
#include "WindowFixture.h"

#include "ui/Translations.h"
#include "ui/frmOptions.h"
#include "ui/frmPreview.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAction>
#include <QComboBox>
#include <QFileDialog>
#include <QHeaderView>
#include <QLabel>
#include <QMessageBox>
#include <QPaintEngine>
#include <QPushButton>
#include <QRegularExpression>
#include <QTreeView>

#include <filesystem>

using pivora::test::ModalAnswerer;
using pivora::test::ScopedEnv;
using pivora::test::WaitUntil;
using pivora::ui::Language;

namespace {

bool HasChinese(const QString& text)
{
    return std::any_of(text.begin(), text.end(), [](QChar c) {
        return (c.unicode() >= 0x3000 && c.unicode() <= 0x9FFF) ||
               (c.unicode() >= 0xFF00 && c.unicode() <= 0xFFEF);
    });
}

// A grab that keeps the texts painted, not their pixels.
class TextGrab : public QPaintDevice
{
public:
    explicit TextGrab(QWidget& widget) : m_size(widget.size()) { widget.render(this); }
    QStringList texts() const { return m_engine.texts; }
    QPaintEngine* paintEngine() const override { return &m_engine; }

protected:
    int metric(PaintDeviceMetric metric) const override
    {
        if (metric == PdmWidth || metric == PdmHeight)
            return metric == PdmWidth ? m_size.width() : m_size.height();
        if (metric == PdmDevicePixelRatioScaled)
            return static_cast<int>(devicePixelRatioFScale());
        // One device pixel per pixel, 32 bits, 96 dots per inch.
        return metric == PdmDevicePixelRatio ? 1 : metric == PdmDepth ? 32 : 96;
    }

private:
    struct Engine : QPaintEngine
    {
        Engine() : QPaintEngine(AllFeatures) {}
        bool begin(QPaintDevice*) override { return true; }
        bool end() override { return true; }
        void updateState(const QPaintEngineState&) override {}
        void drawPixmap(const QRectF&, const QPixmap&, const QRectF&) override {}
        void drawPath(const QPainterPath&) override {}
        void drawPolygon(const QPointF*, int, PolygonDrawMode) override {}
        void drawTextItem(const QPointF&, const QTextItem& item) override { texts << item.text(); }
        Type type() const override { return User; }
        QStringList texts;
    };
    QSize m_size;
    mutable Engine m_engine;
};

// Every text a widget and its children show or hold: captions, tool tips, titles, items,
// headers, menu entries, and what they paint.
QStringList TextsOf(QWidget& root)
{
    QStringList texts = TextGrab(root).texts();
    QList<QWidget*> widgets = root.findChildren<QWidget*>();
    widgets.prepend(&root);
    for (QWidget* widget : widgets) {
        texts << widget->windowTitle() << widget->toolTip() << widget->statusTip();
        if (auto* label = qobject_cast<QLabel*>(widget))
            texts << label->text();
        if (auto* button = qobject_cast<QAbstractButton*>(widget))
            texts << button->text();
        if (auto* box = qobject_cast<QComboBox*>(widget))
            for (int i = 0; i < box->count(); ++i)
                texts << box->itemText(i);
        if (auto* view = qobject_cast<QAbstractItemView*>(widget); view && view->model())
            for (int i = 0; i < view->model()->columnCount(); ++i)
                texts << view->model()->headerData(i, Qt::Horizontal).toString();
        // Hidden drop zones paint only while something is dragged over them.
        if (widget != &root && widget->inherits("pivora::ui::DropZone"))
            texts << TextGrab(*widget).texts();
    }
    for (QAction* action : root.findChildren<QAction*>())
        texts << action->text() << action->toolTip();
    return texts;
}

class EnglishTest : public pivora::test::WindowTest
{
protected:
    EnglishTest()
        : language("LANGUAGE", "en"),
          translation(pivora::ui::InstallTranslation(pivora::ui::LanguageFromEnvironment(),
                                                     PIVORA_BUILD_TRANSLATIONS))
    {
        EXPECT_NE(translation, nullptr) << "no English translation in " PIVORA_BUILD_TRANSLATIONS;
        Open();
    }

    // Fails for each text that is still Chinese, apart from the names of the list's files.
    void ExpectEnglish(const QStringList& texts, const char* where)
    {
        for (const QString& text : texts) {
            // Painted text comes in runs of one script each, so a name may come in pieces.
            const bool inList = std::any_of(listed.begin(), listed.end(), [&](const QString& name) {
                return name.contains(text);
            });
            if (HasChinese(text) && !inList)
                ADD_FAILURE() << where << ": " << text.toStdString();
        }
    }

    ScopedEnv language;
    std::unique_ptr<QTranslator> translation;
    QStringList listed;
};

} // namespace

TEST(Language, FollowsTheUsersLanguageForMessages)
{
    struct Case
    {
        const char* language;
        const char* all;
        const char* messages;
        const char* lang;
        Language expected;
    };
    const Case cases[] = {
        {"", "", "", "en_US.UTF-8", Language::English},
        {"", "", "", "", Language::Chinese},
        {"", "C.UTF-8", "", "en_US.UTF-8", Language::Chinese},
        {"", "", "en_GB.UTF-8", "zh_CN.UTF-8", Language::English},
        {"en", "zh_CN.UTF-8", "", "", Language::English},
        {"fr:zh_CN:en", "en_US.UTF-8", "", "", Language::Chinese},
        {"", "", "", "eo.UTF-8", Language::Chinese},
    };
    for (const Case& c : cases) {
        ScopedEnv language("LANGUAGE", c.language), all("LC_ALL", c.all),
            messages("LC_MESSAGES", c.messages), lang("LANG", c.lang);
        EXPECT_EQ(pivora::ui::LanguageFromEnvironment(), c.expected)
            << c.language << " | " << c.all << " | " << c.messages << " | " << c.lang;
    }
}

TEST_F(EnglishTest, NoChineseOutsideTheListInTheWindowItsDialogsAndMenus)
{
    pivora::test::WriteFile(dir.File("假日.mp4"), "video");
    pivora::test::WriteFile(dir.File("clip.mov"), "video");
    window->AddFiles({dir.File("假日.mp4"), dir.File("clip.mov")});
    for (const auto& entry : {window->Entries().At(0), window->Entries().At(1)})
        listed << QString::fromStdString(entry.DisplayText)
               << QString::fromStdString(entry.TypeText);
    Find<QWidget>("picDoor")->show();
    ExpectEnglish(TextsOf(*window), "window");
    EXPECT_EQ(Find<QPushButton>("Command3")->text(), "Rotate Video");

    pivora::settings::OptionValues options;
    pivora::settings::ProgramSettings settings;
    pivora::ui::frmOptions dialog(options, dir.File("options.ini"), settings,
                                  dir.File("pivora.conf"));
    dialog.show();
    ExpectEnglish(TextsOf(dialog), "options");

    pivora::ui::frmPreview preview(program, dir.File("work"));
    preview.ShowFile(dir.File("clip.mov"), "clip.mov", 0);
    preview.show();
    ASSERT_TRUE(WaitUntil([&] { return !preview.Busy(); }));
    ExpectEnglish(TextsOf(preview), "preview");

    ModalAnswerer answers;
    window->menuA_Click();
    window->menuRA_Click();
    window->imgStart_Click();
    ASSERT_EQ(answers.seen.size(), 2u);
    for (const ModalAnswerer::Seen& box : answers.seen)
        ExpectEnglish({box.title, box.text}, "message box");
    EXPECT_EQ(answers.seen[1].text, "Please add a file.");

    window->imgHelp_Click();
    EXPECT_EQ(services.openedDocuments, std::vector<std::string>{program + "/help.en.html"});
    EXPECT_TRUE(std::filesystem::exists(
        std::filesystem::path(PIVORA_BUILD_HELP).replace_filename("help.en.html")));
}

TEST_F(EnglishTest, TheBatchSpeaksEnglishAndWritesItsLogAsAlways)
{
    // The first file fails with the converter's words, the second for a reason of the program.
    ScopedEnv failing("FAKE_CONV_FAIL_ON", "clip0");
    ScopedEnv nothing("FAKE_CONV_NOFILE", "1");
    const std::vector<std::string> inputs = MakeInputs(2);
    window->AddFiles(inputs);
    QStringList states;
    auto* model = Find<QTreeView>("LV")->model();
    QObject::connect(model, &QAbstractItemModel::dataChanged, [&](const QModelIndex& from) {
        states << model->index(from.row(), 2).data().toString();
    });
    ModalAnswerer answers;
    auto* start = Find<QPushButton>("Command3");
    start->click();
    EXPECT_EQ(start->text(), "Stop");
    ASSERT_TRUE(WaitUntil([&] { return Find<QLabel>("lblPB")->text() == "Done."; }));

    EXPECT_TRUE(states.contains("Converting"));
    ASSERT_EQ(answers.seen.size(), 1u);
    EXPECT_EQ(answers.seen[0].text.toStdString(),
              "These files were not converted:\n\n" + inputs[0] + "\n    " + inputs[0] +
                  ": Invalid data found when processing input\n\n" + inputs[1] +
                  "\n    No output file was made\n");
    const std::string log = pivora::test::ReadFile(dir.File("activity.log"));
    EXPECT_NE(log.find("failed: 没有生成输出文件"), std::string::npos) << log;
    EXPECT_EQ(log.find("No output file"), std::string::npos);
}

namespace {

// The texts the sources hand to the translator: tr("...") in the window, and the core's
// PIVORA_TRANSLATE_NOOP(context, "..."), adjacent literals joined and escapes read.
QStringList TranslatedTextsInSources()
{
    const QRegularExpression call(QStringLiteral(
        R"re((?:\btr|PIVORA_TRANSLATE_NOOP)\(\s*(?:"[^"]*"\s*,\s*)?((?:"(?:[^"\\]|\\.)*"\s*)+))re"));
    const QRegularExpression literal(QStringLiteral(R"re("((?:[^"\\]|\\.)*)")re"));
    QStringList texts;
    for (const char* folder : {"ui", "engine", "input", "window"}) {
        for (const auto& file :
             std::filesystem::directory_iterator(std::string(PIVORA_SOURCE_DIR "/") + folder)) {
            const QString code =
                QString::fromStdString(pivora::test::ReadFile(file.path().string()));
            for (auto match = call.globalMatch(code); match.hasNext();) {
                QString text;
                for (auto part = literal.globalMatch(match.next().captured(1)); part.hasNext();)
                    text += part.next().captured(1);
                text.replace(QStringLiteral("\\n"), QStringLiteral("\n"))
                    .replace(QStringLiteral("\\r"), QStringLiteral("\r"))
                    .replace(QStringLiteral("\\\""), QStringLiteral("\""))
                    .replace(QStringLiteral("\\\\"), QStringLiteral("\\"));
                texts << text;
            }
        }
    }
    return texts;
}

} // namespace

TEST_F(EnglishTest, EveryTextTheProgramTranslatesHasItsEnglish)
{
    // The translation's contexts, as the translation file names them.
    const QString ts = QString::fromStdString(
        pivora::test::ReadFile(PIVORA_SOURCE_DIR "/../translations/pivora_en.ts"));
    QStringList contexts;
    const QRegularExpression name(QStringLiteral("<name>([^<]+)</name>"));
    for (auto match = name.globalMatch(ts); match.hasNext();)
        contexts << match.next().captured(1);
    const QStringList texts = TranslatedTextsInSources();
    EXPECT_GT(texts.size(), 80);
    for (const QString& text : texts) {
        QString english;
        for (const QString& context : contexts) {
            english =
                translation->translate(context.toUtf8().constData(), text.toUtf8().constData());
            if (!english.isEmpty())
                break;
        }
        EXPECT_FALSE(english.isEmpty() || HasChinese(english)) << text.toStdString();
    }
}

using ChineseTest = pivora::test::WindowTest;

TEST_F(ChineseTest, WithoutEnglishInTheEnvironmentTheWindowStaysChinese)
{
    ScopedEnv language("LANGUAGE", ""), all("LC_ALL", "zh_CN.UTF-8");
    const Language chinese = pivora::ui::LanguageFromEnvironment();
    EXPECT_EQ(chinese, Language::Chinese);
    EXPECT_EQ(pivora::ui::InstallTranslation(chinese, PIVORA_BUILD_TRANSLATIONS), nullptr);
    EXPECT_EQ(pivora::ui::InstallTranslation(Language::English, dir.File("none")), nullptr);
    Open();
    EXPECT_EQ(Find<QPushButton>("Command3")->text(), "旋转视频");
    EXPECT_EQ(Find<QTreeView>("LV")->model()->headerData(0, Qt::Horizontal).toString(), "文件名");
    window->imgHelp_Click();
    EXPECT_EQ(services.openedDocuments, std::vector<std::string>{program + "/help.html"});
}

TEST_F(ChineseTest, QtsOwnDialogsSpeakChineseAndTheFileTypeShowsOnce)
{
    EXPECT_EQ(pivora::ui::InstallQtTranslation(Language::English), nullptr) << "Qt's own";
    const auto qt = pivora::ui::InstallQtTranslation(Language::Chinese);
    ASSERT_NE(qt, nullptr) << "Qt's translation (Debian: qt6-translations-l10n)";
    ModalAnswerer answers;
    QStringList dialogTexts, fileTypes;
    answers.onFileDialog = [&](QFileDialog* dialog) {
        for (const auto label : {QFileDialog::LookIn, QFileDialog::FileName, QFileDialog::FileType,
                                 QFileDialog::Accept, QFileDialog::Reject})
            dialogTexts << dialog->labelText(label);
        const auto* types = dialog->findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
        for (int i = 0; types && i < types->count(); ++i)
            fileTypes << types->itemText(i);
        dialog->reject();
    };
    window->imgAdd_Click();
    ASSERT_EQ(dialogTexts.size(), 5);
    for (const QString& text : dialogTexts)
        EXPECT_TRUE(HasChinese(text)) << text.toStdString();
    EXPECT_EQ(fileTypes, QStringList{QStringLiteral("所有格式(*.*)")});
}
