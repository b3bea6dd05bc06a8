// What the main window decides, whichever toolkit draws it, through a window that records.
#include "window/MainLogic.h"

#include "FakeWindow.h"
#include "TestSupport.h"
#include "engine/BatchJournal.h"
#include "platform/KnownFolders.h"
#include "platform/ProcessList.h"
#include "settings/SettingsFiles.h"

#include <chrono>
#include <filesystem>
#include <gtest/gtest.h>
#include <thread>

using pivora::test::FakeWindow;
using pivora::window::Box;
using pivora::window::Control;
using pivora::window::Piece;
using pivora::window::Text;
using pivora::window::Timer;
namespace stdfs = std::filesystem;

namespace {

class MainLogicTest : public ::testing::Test
{
protected:
    MainLogicTest() : log("FAKE_CONV_LOG", dir.File("conv.log"))
    {
        program = pivora::test::MakeProgramFolder(dir, pivora::test::FakeConverterPath());
        window.pump = &pump;
    }

    // The window opens, as at a start of the program.
    pivora::window::MainLogic& Open()
    {
        logic.reset();
        window = FakeWindow();
        pump = pivora::platform::PlainEventPump();
        window.pump = &pump;
        pivora::window::MainSetup setup;
        setup.ProgramFolder = program;
        setup.WorkFolder = dir.File("cache/pivora/work");
        setup.TempCopiesFolder = dir.File("cache/pivora/tmp");
        setup.SettingsFolder = dir.File("config");
        setup.LogPath = dir.File("activity.log");
        setup.JournalFolder = dir.File("state");
        setup.CacheFolder = dir.File("cache/pivora");
        setup.DefaultOutputFolder = dir.File("output");
        logic = std::make_unique<pivora::window::MainLogic>(setup, window, window, pump);
        window.logic = logic.get();
        logic->Form_Load();
        return *logic;
    }

    std::vector<std::string> MakeInputs(int count)
    {
        std::vector<std::string> paths;
        for (int i = 0; i < count; ++i) {
            paths.push_back(dir.File("clip" + std::to_string(i) + ".mp4"));
            pivora::test::WriteFile(paths.back(), "video");
        }
        return paths;
    }

    std::size_t Runs() const { return pivora::test::ReadLines(dir.File("conv.log")).size(); }
    // Where the output folder is kept: the program's own folder in the settings folder.
    std::string StoredFolderFile() const
    {
        return pivora::platform::JoinPath(pivora::platform::SettingsFilesFolder(dir.File("config")),
                                          "pvsetting.ini");
    }

    pivora::test::TempDir dir;
    std::string program;
    FakeWindow window;
    pivora::platform::PlainEventPump pump;
    std::unique_ptr<pivora::window::MainLogic> logic;
    pivora::test::ScopedEnv log;
};

} // namespace

TEST_F(MainLogicTest, StartUpLoadsTheSettingsAndClearsWhatAnEarlierRunLeft)
{
    // Where an earlier version kept it: moved into the program's own folder, once.
    pivora::test::WriteFile(dir.File("config/pvsetting.ini"), "  /stored/out folder  \r\n");
    pivora::test::WriteFile(pivora::settings::OptionsFilePath(program, dir.File("config")),
                            "1\r\n1\r\n90\r\n120\r\n");
    const std::string copies = dir.File("cache/pivora/tmp");
    const std::string work = dir.File("cache/pivora/work");
    pivora::test::WriteFile(dir.File("cache/pivora/tmp/.hidden.tmp"), "x");
    pivora::test::WriteFile(dir.File("cache/pivora/tmp/sub/readonly.tmp"), "x");
    stdfs::permissions(pivora::test::U8(dir.File("cache/pivora/tmp/sub/readonly.tmp")),
                       stdfs::perms::owner_read);
    pivora::test::WriteFile(dir.File("cache/pivora/work/tmp.mp4"), "x");
    // The user's own things next to and behind the program's folders.
    pivora::test::WriteFile(dir.File("cache/mine.txt"), "mine");
    pivora::test::WriteFile(dir.File("home/keep.txt"), "keep");
#ifndef _WIN32
    stdfs::create_directory_symlink(dir.File("home"), copies + "/home-link");
#endif
    // A converter left running by an earlier run, and a stranger of the same name.
    stdfs::create_directories(pivora::test::U8(dir.File("elsewhere")));
    const std::string stranger = dir.File("elsewhere/conv") + pivora::test::kExe;
    stdfs::copy_file(pivora::test::U8(pivora::test::FakeConverterPath()),
                     pivora::test::U8(stranger));
    const auto leftover =
        pivora::test::StartLingering(pivora::platform::ConverterPath(program), 10000);
    const auto strangerProcess = pivora::test::StartLingering(stranger, 10000);

    Open();

    EXPECT_EQ(window.texts[Text::txtPath], "/stored/out folder");
    EXPECT_EQ(pivora::test::ReadFile(StoredFolderFile()), "  /stored/out folder  \r\n");
    EXPECT_EQ(stdfs::exists(pivora::test::U8(dir.File("config/pvsetting.ini"))),
              StoredFolderFile() == dir.File("config/pvsetting.ini"));
    EXPECT_EQ(logic->Options().SoundReminder, 1);
    EXPECT_EQ(logic->Options().CutEnabled, 1);
    EXPECT_EQ(logic->Options().CutStart, 90);
    EXPECT_EQ(logic->Options().CutEnd, 120);
    EXPECT_EQ(window.items[Box::cmbOF1], 0);
    EXPECT_EQ(window.texts[Text::cmbBitrate], "5000");
    EXPECT_EQ(window.items[Box::cmbRotate], 0);
    EXPECT_EQ(window.items[Box::cmbOF], 4);
    EXPECT_EQ(window.texts[Text::Caption], "Pivora");
    EXPECT_EQ(window.timers[Timer::Recovery], 0) << "the recovery question comes once it is up";

    EXPECT_FALSE(stdfs::exists(pivora::test::U8(copies)));
    EXPECT_FALSE(stdfs::exists(pivora::test::U8(work)));
    EXPECT_EQ(pivora::test::ReadFile(dir.File("cache/mine.txt")), "mine");
    EXPECT_EQ(pivora::test::ReadFile(dir.File("home/keep.txt")), "keep");
    bool stopped = false;
    for (int i = 0; i < 500 && !(stopped = pivora::test::Ended(leftover)); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_TRUE(stopped) << "the leftover converter was stopped";
    EXPECT_FALSE(pivora::test::Ended(strangerProcess)) << "the stranger was left alone";
    pivora::test::Kill(strangerProcess);

    // A blank or missing file gives the default folder.
    pivora::test::WriteFile(StoredFolderFile(), "   \r\n");
    Open();
    EXPECT_EQ(window.texts[Text::txtPath], dir.File("output"));
    stdfs::remove(pivora::test::U8(StoredFolderFile()));
    Open();
    EXPECT_EQ(window.texts[Text::txtPath], dir.File("output"));
}

TEST_F(MainLogicTest, ShutDownSavesTheFolderAndRemovesOnlyTheWorkFolder)
{
    Open();
    window.texts[Text::txtPath] = "/videos/turned";
    pivora::test::WriteFile(dir.File("cache/pivora/work/tmp.mp4"), "x");
    pivora::test::WriteFile(dir.File("cache/pivora/tmp/copy.tmp"), "x");
    logic->imgExit_Click();
    EXPECT_TRUE(window.closed);
    EXPECT_EQ(pivora::test::ReadFile(StoredFolderFile()), "/videos/turned\r\n");
    EXPECT_FALSE(stdfs::exists(pivora::test::U8(dir.File("cache/pivora/work"))));
    EXPECT_TRUE(stdfs::exists(pivora::test::U8(dir.File("cache/pivora/tmp/copy.tmp"))))
        << "copies live until the next start";
    Open();
    EXPECT_EQ(window.texts[Text::txtPath], "/videos/turned");
}

TEST_F(MainLogicTest, StartWithAnEmptyList)
{
    Open();
    logic->imgStart_Click();
    ASSERT_EQ(window.messages.size(), 1u);
    EXPECT_EQ(window.messages[0].text, "请添加一个文件.");
    EXPECT_EQ(window.messages[0].title, "添加");
    EXPECT_EQ(window.messages[0].icon, FakeWindow::Icon::Warning);
    EXPECT_TRUE(window.Enabled(Control::cmbOF1));
    EXPECT_TRUE(window.timers.count(Timer::Timer1) == 0);

    // Through the start button the panel is locked before the list is looked at, and stays so.
    logic->Command3_Click();
    EXPECT_EQ(window.messages.size(), 2u);
    for (const Control control : {Control::cmbOF1, Control::cmbBitrate, Control::cmdBrowse,
                                  Control::txtPath, Control::cmbRotate})
        EXPECT_FALSE(window.Enabled(control)) << static_cast<int>(control);
    EXPECT_TRUE(window.Enabled(Control::Command3));
    EXPECT_TRUE(window.Enabled(Control::LV));
}

TEST_F(MainLogicTest, EveryFrontEndReachesItsCommand)
{
    Open();
    logic->AddFiles(MakeInputs(3));
    const std::string help =
        pivora::platform::JoinPath(pivora::platform::DataFolder(program), "help.html");
    const auto requestsOf = [&](const std::function<void()>& command) {
        window.requests.clear();
        window.openedDocuments.clear();
        window.closed = false;
        command();
        std::vector<std::string> seen = window.requests;
        for (const std::string& document : window.openedDocuments)
            seen.push_back(document == help ? "help" : document);
        return seen;
    };
    using Seen = std::vector<std::string>;
    const Seen open{"open 打开文件"}, folder{"folder 选择一个文件夹:"}, popup{"popup"},
        options{"options"}, close{"close"}, helped{"help"}, nothing{};

    // The dispatcher by index, and the toolbar's buttons onto it.
    const std::pair<int, Seen> dispatched[] = {{0, open},   {1, popup},   {2, options},
                                               {3, helped}, {4, close},   {5, nothing},
                                               {6, folder}, {-1, nothing}};
    for (const auto& [index, expected] : dispatched)
        EXPECT_EQ(requestsOf([&, i = index] { logic->imgToolbar_Click(i); }), expected) << index;
    const Seen toolbar[] = {open, folder, popup, helped, options, close};
    for (int i = 0; i < 6; ++i) {
        window.visible[Piece::picDoor] = true;
        EXPECT_EQ(requestsOf([&] { logic->CmdToolsBar_Click(i); }), toolbar[i]) << i;
        EXPECT_FALSE(window.visible[Piece::picDoor]) << "every toolbar click hides it";
    }

    // The menu bar and the popup menus, by their tables.
    using pivora::window::MenuItem;
    const std::pair<MenuItem, Seen> menus[] = {
        {MenuItem::menuAdd, open},  {MenuItem::menuFolder, folder}, {MenuItem::menuExit, close},
        {MenuItem::menuS, options}, {MenuItem::menuHelp, helped},
    };
    for (const auto& [item, expected] : menus)
        EXPECT_EQ(requestsOf([&, which = item] { logic->MenuBar_Click(which); }), expected);
    std::map<std::string, Seen> popups;
    for (const auto& menu : pivora::window::PopupMenus())
        for (const auto& item : menu.Items)
            if (item.Word)
                popups[item.Name] = requestsOf([&] { logic->PopupMenu_Click(item); });
    EXPECT_EQ(popups, (std::map<std::string, Seen>{{"menuAddaFile", open},
                                                   {"menuAddaFolder", folder},
                                                   {"menuExit", close},
                                                   {"menuOption", options},
                                                   {"menuHelp", helped},
                                                   {"menuA", nothing},
                                                   {"menuRemoveSelected", nothing}}));
    EXPECT_EQ(pivora::window::RemoveMenu().Items.size(), 2u);

    // Command words are compared whole and exactly; none of these removes anything.
    for (const char* other :
         {"removeselected", "REMOVESELECTED", "RemoveSelected ", "menuhelp", "nonsense", ""}) {
        window.selected = 0;
        EXPECT_EQ(requestsOf([&] { logic->DispatchCommandWord(other); }), nothing) << other;
    }
    EXPECT_EQ(logic->Entries().Count(), 3u);
    // Remove selected, by the menu bar, by a word and by the popup; nothing without a row.
    window.selected = 1;
    logic->MenuBar_Click(MenuItem::menuRS);
    EXPECT_EQ(logic->Entries().At(1).Path, dir.File("clip2.mp4"));
    window.selected.reset();
    logic->DispatchCommandWord("RemoveSelected");
    EXPECT_EQ(logic->Entries().Count(), 2u);
    logic->PopupMenu_Click(pivora::window::RemoveMenu().Items[1]);
    EXPECT_TRUE(logic->Entries().Empty());
    EXPECT_TRUE(window.visible[Piece::picText]);

    // "关于" names the version and what the window is made with; the link writes a mail.
    logic->MenuBar_Click(MenuItem::menuA);
    ASSERT_EQ(window.messages.size(), 1u);
    EXPECT_EQ(window.messages[0].title, "关于");
    EXPECT_EQ(window.messages[0].icon, FakeWindow::Icon::None);
    EXPECT_NE(window.messages[0].text.find("Ver " PIVORA_VERSION), std::string::npos);
    EXPECT_NE(window.messages[0].text.find("\n(no toolkit)\n"), std::string::npos);
    logic->lblFeed_Click();
    EXPECT_EQ(window.openedUrls,
              std::vector<std::string>{"mailto:feedback@pivora.app?subject=Feedback/Bug Report"});
}

TEST_F(MainLogicTest, OneAddAtATimeWhileTheDialogIsOpen)
{
    Open();
    const std::vector<std::string> inputs = MakeInputs(3);
    logic->AddFiles({inputs[0]});
    window.holdDialogs = true;
    logic->imgAdd_Click();
    ASSERT_TRUE(window.pendingDialog);
    EXPECT_TRUE(logic->Adding());
    for (const Control control : {Control::CmdToolsBar0, Control::CmdToolsBar1, Control::menuAdd,
                                  Control::menuFolder, Control::DropTargets, Control::Command3})
        EXPECT_FALSE(window.Enabled(control)) << static_cast<int>(control);

    // Nothing else adds or starts meanwhile.
    window.requests.clear();
    logic->AddFolder();
    logic->picDrag_Click();
    logic->LV_OLEDragDrop(pivora::input::DropFileList{true, {inputs[2]}});
    logic->imgStart_Click();
    EXPECT_TRUE(window.requests.empty());
    EXPECT_EQ(logic->Entries().Count(), 1u);
    EXPECT_EQ(window.timers.count(Timer::Timer1), 0u);

    // The answer comes later, with two files.
    auto answer = std::exchange(window.pendingDialog, {});
    answer({inputs[1], inputs[2]});
    EXPECT_EQ(logic->Entries().Paths(), inputs);
    EXPECT_FALSE(logic->Adding());
    for (const Control control :
         {Control::CmdToolsBar0, Control::menuFolder, Control::DropTargets, Control::Command3})
        EXPECT_TRUE(window.Enabled(control)) << static_cast<int>(control);
    EXPECT_FALSE(window.visible[Piece::picText]);

    // A dialog answered after its window has gone changes nothing.
    logic->imgAdd_Click();
    answer = std::exchange(window.pendingDialog, {});
    logic.reset();
    answer({inputs[0]});
}

TEST_F(MainLogicTest, TheOutputFolderFromItsDialog)
{
    Open();
    const std::string chosen = dir.File("out folder");
    stdfs::create_directories(pivora::test::U8(chosen));
    window.choices = {{chosen}, {}};
    logic->cmdBrowse_Click();
    EXPECT_EQ(window.texts[Text::txtPath], chosen);
    // Cancelled: the default folder, without a word.
    logic->txtPath_Click();
    EXPECT_EQ(window.texts[Text::txtPath], dir.File("output"));
    EXPECT_TRUE(window.messages.empty());
}

namespace {

// A batch of two whose converter never ends by itself, started and run as the window's timer
// runs it; `during` is called now and then while it runs.
class CloseDuringBatch : public MainLogicTest
{
protected:
    void RunBatch(const std::function<void(int turn)>& during)
    {
        Open();
        logic->AddFiles(MakeInputs(2));
        logic->Command3_Click();
        EXPECT_EQ(window.texts[Text::Command3], "停止");
        EXPECT_FALSE(window.Enabled(Control::Command3)) << "until the batch runs";
        EXPECT_EQ(window.timers[Timer::Timer1], 100);
        int turn = 0;
        pump.onProcessEvents = [&] {
            window.Fire(Timer::Started);
            if (logic->BatchRunning() && Runs() > 0)
                during(turn++);
        };
        window.Fire(Timer::Timer1);
        pump.onProcessEvents = nullptr;
    }

    void ExpectStoppedAndClosed()
    {
        EXPECT_FALSE(logic->BatchRunning());
        EXPECT_TRUE(window.closed);
        EXPECT_EQ(logic->Entries().Count(), 2u);
        EXPECT_FALSE(pivora::platform::IsProcessRunning(pivora::platform::ConverterProcessName(),
                                                        pivora::platform::ConverterPath(program)));
        EXPECT_EQ(pivora::test::ReadFile(StoredFolderFile()),
                  dir.File("output") + pivora::test::kSep + "\r\n");
        EXPECT_TRUE(window.openedFolders.empty());
    }

    pivora::test::ScopedEnv hang{"FAKE_CONV_HANG", "1"};
    pivora::test::ScopedEnv step{"FAKE_CONV_STEP_MS", "20"};
};

} // namespace

TEST_F(CloseDuringBatch, TheQuestionAnsweredLater)
{
    // Asked once however often the window is closed; "否" lets the batch go on, and a "是"
    // given later stops it; the window closes once the batch has returned.
    bool keptOnAfterNo = false;
    RunBatch([&](int turn) {
        if (turn == 0) {
            EXPECT_TRUE(window.Enabled(Control::Command3)) << "it stops the batch now";
            EXPECT_FALSE(logic->QueryUnload());
            EXPECT_FALSE(logic->QueryUnload());
            ASSERT_EQ(window.questions.size(), 1u);
            EXPECT_EQ(window.questions[0].text, "正在转换视频, 确定要停止并退出吗?");
            EXPECT_FALSE(window.questions[0].yesByDefault);
        } else if (turn == 2) {
            std::exchange(window.questions, {})[0].answer(false);
        } else if (turn == 6) {
            keptOnAfterNo = logic->BatchRunning() && !window.closed;
            EXPECT_FALSE(logic->QueryUnload());
        } else if (turn == 8 && !window.questions.empty()) {
            std::exchange(window.questions, {})[0].answer(true);
        }
    });
    EXPECT_TRUE(keptOnAfterNo);
    ExpectStoppedAndClosed();
}

TEST_F(CloseDuringBatch, ASystemEndAnswersTheQuestionOnScreen)
{
    RunBatch([&](int turn) {
        if (turn == 0)
            EXPECT_FALSE(logic->QueryUnload());
        else if (turn == 3)
            logic->ShutdownRequested(); // the box closes, which says "否"
    });
    EXPECT_NE(std::find(window.requests.begin(), window.requests.end(), "dialogs closed"),
              window.requests.end());
    ExpectStoppedAndClosed();
}

TEST_F(MainLogicTest, TheRecoveryQuestionAnsweredLater)
{
    const std::vector<std::string> inputs = MakeInputs(3);
    const std::string elsewhere = dir.File("elsewhere");
    {
        pivora::engine::BatchJournal journal(dir.File("state"));
        ASSERT_TRUE(journal.IsOpen());
        journal.Choices({elsewhere, 3, 2, "1234"});
        for (std::size_t i = 0; i < inputs.size(); ++i)
            journal.Entry(i + 1, pivora::input::EntryForPath(inputs[i]));
        journal.Flush();
    }
    const auto journals = [&] {
        return std::distance(stdfs::directory_iterator(pivora::test::U8(dir.File("state"))),
                             stdfs::directory_iterator());
    };
    ASSERT_EQ(journals(), 1);

    // Closed before the answer: the journal stays for the next start.
    Open();
    window.Fire(Timer::Recovery);
    ASSERT_EQ(window.questions.size(), 1u);
    EXPECT_EQ(window.questions[0].text,
              "上次的转换没有完成, 还有 3 个文件没有转换. 要把它们放回列表吗?");
    EXPECT_TRUE(window.questions[0].yesByDefault);
    EXPECT_TRUE(logic->QueryUnload());
    std::exchange(window.questions, {})[0].answer(true);
    EXPECT_TRUE(logic->Entries().Empty());
    EXPECT_EQ(journals(), 1);

    // "是" at the next start, after one file has gone and another was given on the command
    // line meanwhile: the rest comes back once, with the batch's folder, format and rotation.
    Open();
    window.Fire(Timer::Recovery);
    ASSERT_EQ(window.questions.size(), 1u);
    stdfs::remove(pivora::test::U8(inputs[0]));
    logic->AddFiles({inputs[1]});
    std::exchange(window.questions, {})[0].answer(true);
    EXPECT_EQ(logic->Entries().Paths(), (std::vector<std::string>{inputs[1], inputs[2]}));
    ASSERT_EQ(window.messages.size(), 1u);
    EXPECT_EQ(window.messages[0].text, "以下文件已经不在了, 没有放回列表:\n\n" + inputs[0]);
    EXPECT_EQ(window.texts[Text::txtPath], elsewhere);
    EXPECT_EQ(window.items[Box::cmbOF1], 3);
    EXPECT_EQ(window.items[Box::cmbRotate], 2);
    EXPECT_EQ(window.texts[Text::cmbBitrate], "1234");
    // The journal stays while what it put back is in the list.
    EXPECT_EQ(journals(), 1);
    logic->menuRA_Click();
    EXPECT_EQ(journals(), 0);
}
