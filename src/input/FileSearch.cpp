#include "input/FileSearch.h"

#include "platform/CodePage.h"
#include "platform/FileSystem.h"

#include <chrono>

namespace pivora::input {

namespace fs = pivora::platform;

namespace {

class Search
{
public:
    Search(std::vector<std::string>& list, fs::EventPump* pump, std::string root,
           std::vector<std::string>* unreadable)
        : m_list(list), m_pump(pump), m_root(std::move(root)), m_unreadable(unreadable)
    {
    }

    void Folder(const std::string& folder)
    {
        std::vector<fs::FolderEntry> entries;
        if (!fs::ListFolder(folder, entries)) {
            if (m_unreadable)
                m_unreadable->push_back(folder);
            return;
        }
        std::vector<std::string> subfolders;
        for (const fs::FolderEntry& entry : entries) {
            const std::string name = fs::NativeNameToAnsi(entry.Name);
            std::string path = folder + fs::PathSeparator() + name;
            if (entry.IsFolder) {
                // A linked folder may lead anywhere, back up the tree included.
                if (!entry.IsLink)
                    subfolders.push_back(path);
            } else if (entry.IsFile && (!entry.IsLink || InsideRoot(path))) {
                // Pipes, sockets and devices are no videos; a pipe would hold the converter
                // for ever.
                m_list.push_back(std::move(path));
            }
            if (!Breathe())
                return;
        }
        for (const std::string& subfolder : subfolders) {
            if (m_pump && m_pump->Quitting())
                return;
            Folder(subfolder);
        }
    }

private:
    bool InsideRoot(const std::string& link) const
    {
        const std::string target = fs::RealPath(link);
        return !m_root.empty() && target.size() > m_root.size() &&
               target.compare(0, m_root.size(), m_root) == 0 &&
               target[m_root.size()] == fs::PathSeparator();
    }

    // Lets the window repaint about sixty times a second, not after every one of
    // a hundred thousand entries. False once the program is shutting down.
    bool Breathe()
    {
        if (!m_pump)
            return true;
        const auto now = std::chrono::steady_clock::now();
        if (now - m_lastBreath >= std::chrono::milliseconds(16)) {
            m_pump->ProcessEvents();
            m_lastBreath = std::chrono::steady_clock::now();
        }
        return !m_pump->Quitting();
    }

    std::vector<std::string>& m_list;
    fs::EventPump* m_pump;
    std::string m_root;
    std::vector<std::string>* m_unreadable;
    std::chrono::steady_clock::time_point m_lastBreath = std::chrono::steady_clock::now();
};

} // namespace

void SearchFolder(const std::string& folder, std::vector<std::string>& list, fs::EventPump* pump,
                  std::vector<std::string>* unreadable)
{
    Search search(list, pump, fs::RealPath(folder), unreadable);
    search.Folder(folder);
}

} // namespace pivora::input
