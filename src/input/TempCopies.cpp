#include "input/TempCopies.h"

#include "engine/CommandLine.h"
#include "input/PathHelpers.h"

#include <cstdio>

namespace pivora::input {

namespace fs = pivora::platform;

namespace {

constexpr std::size_t kMaxBaseCharacters = 200;

// The first `count` characters of UTF-8 text.
std::string FirstCharacters(const std::string& text, std::size_t count)
{
    std::size_t at = 0;
    for (std::size_t characters = 0; at < text.size() && characters < count; ++characters) {
        ++at;
        while (at < text.size() && (static_cast<unsigned char>(text[at]) & 0xC0) == 0x80)
            ++at;
    }
    return text.substr(0, at);
}

} // namespace

TempCopies::TempCopies(std::string folder, std::function<fs::LocalDateTime()> clock)
    : m_folder(std::move(folder)), m_clock(std::move(clock))
{
}

std::string TempCopies::CopyBaseName(const std::string& p) const
{
    std::string n = pivora::engine::GetBaseName(AnsiRoundTrip(p));
    n = FirstCharacters(CleanName(n, true), kMaxBaseCharacters);
    // Room for a counter and ".tmp" where the file system counts fewer than 200 characters.
    constexpr std::size_t kTail = 16;
    const std::size_t limit = fs::MaxFileNameUnits(m_folder);
    n = pivora::engine::FitBaseName(n, limit > kTail ? limit - kTail : 0);
    if (TrimBlanks(n).empty()) {
        const fs::LocalDateTime now = m_clock();
        char stamp[32];
        std::snprintf(stamp, sizeof stamp, "%04d%02d%02d-%02d%02d%02d", now.Year, now.Month,
                      now.Day, now.Hour, now.Minute, now.Second);
        n = stamp;
    }
    return n;
}

std::string TempCopies::MakeTempCopy(const std::string& p, fs::EventPump* pump)
{
    fs::CreateFolders(m_folder);
    const std::string n = CopyBaseName(p);
    // A name is used once: neither a copy made earlier in this run nor a file already in the
    // folder is ever replaced, so no entry ends up converting another input's copy.
    std::string copy;
    for (int counter = 1;; ++counter) {
        copy = fs::JoinPath(m_folder,
                            counter == 1 ? n + ".tmp" : n + "_" + std::to_string(counter) + ".tmp");
        if (!m_issued.contains(copy) && !fs::PathExists(copy))
            break;
    }
    m_issued.insert(copy);
    fs::CopyToNewFile(p, copy, pump);
    return copy;
}

} // namespace pivora::input
