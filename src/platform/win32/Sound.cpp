#include "platform/Sound.h"

#include "platform/win32/WinText.h"

#include <windows.h>

#include <mmsystem.h>

namespace pivora::platform {

bool PlaySoundFile(const std::string& path, EventPump&)
{
    // Plays to the end before it returns; a missing file plays the system's default sound.
    return ::sndPlaySoundA(win32::ToCodePage(path).c_str(), 0) != FALSE;
}

} // namespace pivora::platform
