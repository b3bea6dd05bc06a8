// A batch journal left by a program that ended at any moment, or any bytes at all under a
// journal's name: reading it must end, and give either nothing or entries in list order. What
// the writer wrote reads back exactly, whatever a path holds, and a copy cut short at any byte
// gives no entry that was not written.
#include "FuzzCheck.h"

#include "engine/BatchJournal.h"
#include "platform/FileSystem.h"

#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <unistd.h>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using pivora::engine::ReadJournal;
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    if (const auto contents = ReadJournal(bytes)) {
        const auto& entries = contents->Entries;
        for (std::size_t i = 1; i < entries.size(); ++i)
            FUZZ_CHECK(entries[i - 1].Id < entries[i].Id);
    }

    // The same bytes as a path, through the writer.
    // In memory where the system has it: the writer syncs every journal it begins.
    static const std::string folder =
        std::string(::access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp") +
        "/pivora-fuzz-journal-" + std::to_string(::getpid());
    std::string written;
    {
        pivora::engine::BatchJournal journal(folder);
        journal.Entry(7, {bytes, bytes, "MP4"});
        journal.RunStarts(7, bytes.empty() ? "out" : bytes, 90);
        journal.Flush();
        std::vector<pivora::platform::FolderEntry> names;
        pivora::platform::ListFolder(folder, names);
        FUZZ_CHECK(names.size() == 1);
        // Read beside the writer, which holds the file locked.
        std::ifstream in(pivora::platform::JoinPath(folder, names[0].Name), std::ios::binary);
        written.assign(std::istreambuf_iterator<char>(in), {});
        journal.End();
    }
    // Paths are kept whole, so that another working folder finds them.
    const std::string path = pivora::platform::AbsolutePath(bytes);
    const auto back = ReadJournal(written);
    FUZZ_CHECK(back && !back->Damaged && back->Entries.size() == 1 &&
               back->Entries[0].Entry.Path == path && back->Entries[0].Turn == 90);
    const std::size_t cut = (size > 0 ? data[0] : 0) % (written.size() + 1);
    if (const auto shorter = ReadJournal(std::string_view(written).substr(0, cut))) {
        FUZZ_CHECK(!shorter->Damaged && shorter->Entries.size() <= 1);
        FUZZ_CHECK(shorter->Entries.empty() || shorter->Entries[0].Entry.Path == path);
    }
    return 0;
}
