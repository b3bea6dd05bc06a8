// Starts the converter the way the program does, then waits to be ended from outside.
// Usage: start_child <converter> <output>
#include "platform/ChildProcess.h"

#include <windows.h>

#include <string>

int main(int argc, char* argv[])
{
    if (argc != 3)
        return 2;
    const auto started = pivora::platform::ChildProcess::Start("\"" + std::string(argv[1]) +
                                                               "\" -i in.mp4 \"" + argv[2] + "\"");
    if (!started.Process)
        return 1;
    for (;;)
        ::Sleep(1000);
}
