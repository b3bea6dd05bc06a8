#pragma once

#include "ui/frmMain.h"

#include "TestSupport.h"
#include "UiTestSupport.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace pivora::test {

// The main window with a stand-in converter and folders of its own.
class WindowTest : public ::testing::Test
{
protected:
    explicit WindowTest(const std::string& converter = FakeConverterPath())
    {
        App();
        program = MakeProgramFolder(dir, converter);
        Open();
    }

    // A new window on the same folders, as at the next start of the program.
    void Open()
    {
        window.reset();
        window = std::make_unique<pivora::ui::frmMain>(WindowSetup(dir.Path(), program, &services));
        window->show();
    }

    template <typename T> T* Find(const char* name)
    {
        T* widget = window->findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(widget, nullptr) << name;
        return widget;
    }

    std::vector<std::string> MakeInputs(int count)
    {
        std::vector<std::string> paths;
        for (int i = 0; i < count; ++i) {
            paths.push_back(dir.File("clip" + std::to_string(i) + ".mp4"));
            WriteFile(paths.back(), "video");
        }
        return paths;
    }

    TempDir dir;
    std::string program;
    RecordingServices services;
    std::unique_ptr<pivora::ui::frmMain> window;
};

} // namespace pivora::test
