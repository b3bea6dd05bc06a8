#pragma once

#include <string>

namespace pivora::cli {

// A program folder whose converter only this process runs. A batch ends every converter
// started from its program folder before it starts its own, and waits for all of them; several
// command lines at once, or one beside the window, would end each other's conversions if they
// shared the folder. The private converter is a link to the real one, so what runs is the
// same; where no such folder can be made, the program folder itself is used.
class PrivateConverter
{
public:
    explicit PrivateConverter(const std::string& programFolder);
    ~PrivateConverter();
    PrivateConverter(const PrivateConverter&) = delete;
    PrivateConverter& operator=(const PrivateConverter&) = delete;

    // The program folder the batch is to use.
    const std::string& ProgramFolder() const { return m_folder; }

private:
    std::string m_folder;
    std::string m_made; // the private folder, removed at the end; empty when none was made
};

} // namespace pivora::cli
