#include "app/cli/PrivateConverter.h"

namespace pivora::cli {

// A process carries the path of the file it runs from, so a private converter would be a copy
// of the real one; the program folder is shared instead.
PrivateConverter::PrivateConverter(const std::string& programFolder) : m_folder(programFolder) {}

PrivateConverter::~PrivateConverter() = default;

} // namespace pivora::cli
