#pragma once

#include <string>
#include <vector>

class QTranslator;

namespace pivora::ui {

class frmMain;

// What the window program's command line asks for.
struct StartOptions
{
    bool Help = false;
    bool Version = false;
    std::string Unknown;            // the first option the program does not know
    std::vector<std::string> Files; // in the order named
};

// Reads the arguments that follow the program's name as desktop programs do: -h or --help,
// -V or --version; "--" ends the options, so that a file whose name begins with "-" can be
// named after it; "-" alone is a name.
StartOptions ParseStartOptions(const std::vector<std::string>& arguments);

// What is printed for --help, for --version and for an option the program does not know, in
// the interface's language: Chinese, or through `translation`.
std::string HelpText(const QTranslator* translation);
std::string VersionLine();
std::string UnknownOptionText(const std::string& option, const QTranslator* translation);

// Shows the window first, then adds the files named at its start: a message about a name
// that was refused appears over the window, never before it. False when the window was closed
// meanwhile (the system asked the program to end while the message was up).
bool OpenWithFiles(frmMain& window, const std::vector<std::string>& files);

} // namespace pivora::ui
