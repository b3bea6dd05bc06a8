// The Windows window's own parts under Wine: the event pump that keeps a batch going while a
// dialog runs a loop of its own, and the English texts made from the translation at build time.
#include "win32ui/Texts.h"
#include "win32ui/TranslationTable.h"
#include "win32ui/Win32EventPump.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>

using namespace std::chrono_literals;
using pivora::win32ui::Win32EventPump;

namespace {

// Runs a loop of its own for 400 ms when it gets WM_APP, as a dialog or a menu does.
LRESULT CALLBACK DialogLikeProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message != WM_APP)
        return ::DefWindowProcW(window, message, wParam, lParam);
    const auto end = std::chrono::steady_clock::now() + 400ms;
    while (std::chrono::steady_clock::now() < end) {
        MSG waiting;
        if (::PeekMessageW(&waiting, nullptr, 0, 0, PM_REMOVE))
            ::DispatchMessageW(&waiting);
        else
            ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
    return 0;
}

} // namespace

TEST(Win32EventPump, HeldUpWorkRunsWhileADialogHoldsTheWaitUpAndOnlyThen)
{
    WNDCLASSW dialogClass{};
    dialogClass.lpfnWndProc = DialogLikeProc;
    dialogClass.hInstance = ::GetModuleHandleW(nullptr);
    dialogClass.lpszClassName = L"PivoraTestDialogLike";
    ::RegisterClassW(&dialogClass);
    HWND dialog = ::CreateWindowExW(0, dialogClass.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE,
                                    nullptr, dialogClass.hInstance, nullptr);
    ASSERT_NE(dialog, nullptr);

    Win32EventPump pump;
    int ran = 0;
    pump.SetHeldUpWork([&] { ++ran; }, 20);
    // A plain wait ends in time by itself: the owner does its work when it returns.
    pump.Wait(200, {});
    EXPECT_EQ(ran, 0);

    // Inside this wait a dialog's loop runs for 400 ms: the work goes on meanwhile, and the
    // wait returns soon after the dialog's loop has ended.
    ::PostMessageW(dialog, WM_APP, 0, 0);
    const auto start = std::chrono::steady_clock::now();
    pump.Wait(100, {});
    const auto took = std::chrono::steady_clock::now() - start;
    EXPECT_GE(ran, 5) << "the batch stood still behind the dialog";
    EXPECT_GE(took, 400ms);
    EXPECT_LT(took, 2000ms);

    // The end of the program reaches every wait, and the main loop still sees it.
    pump.SetHeldUpWork({}, 0);
    ::PostQuitMessage(3);
    const auto quitStart = std::chrono::steady_clock::now();
    pump.Wait(5000, {});
    EXPECT_LT(std::chrono::steady_clock::now() - quitStart, 2000ms);
    EXPECT_TRUE(pump.Quitting());
    MSG quit;
    ASSERT_TRUE(::PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(quit.wParam, 3u);
    ::DestroyWindow(dialog);
}

TEST(Win32Texts, EveryEnglishTextOfTheTranslationIsFoundByItsChineseSource)
{
    using namespace pivora::win32ui;
    ASSERT_GT(kEnglishTextCount, 50u);
    SetLanguage(Language::English);
    for (std::size_t i = 0; i < kEnglishTextCount; ++i) {
        const TranslationEntry& entry = kEnglishTexts[i];
        EXPECT_EQ(TrAs(entry.Source, entry.Context, entry.Comment), entry.Translation)
            << entry.Source;
    }
    // A menu bar title shares its Chinese with a popup item, not its English; a text that
    // names a number has its English plural.
    EXPECT_EQ(TrAs("关于(&A)", "CoreTexts", "menu bar"), "&Help");
    EXPECT_EQ(TrAs("关于(&A)", "CoreTexts", ""), "&About");
    EXPECT_EQ(TrCount("完成. 已转换 %n 个文件.", "CoreTexts", 1), "Done. 1 file converted.");
    EXPECT_EQ(TrCount("完成. 已转换 %n 个文件.", "CoreTexts", 3), "Done. 3 files converted.");
    EXPECT_EQ(Tr("旋转视频", "CoreTexts"), "Rotate Video");
    // Found under another context too; a text the translation lacks stays as it is.
    EXPECT_EQ(Tr("旋转视频", "no such context"), "Rotate Video");
    EXPECT_EQ(Tr("没有这个文本"), "没有这个文本");
    SetLanguage(Language::Chinese);
    EXPECT_EQ(Tr("旋转视频", "CoreTexts"), "旋转视频");
}
