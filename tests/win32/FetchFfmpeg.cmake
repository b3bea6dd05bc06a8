# Puts the Windows ffmpeg.exe of the npm package @ffmpeg-installer/win32-x64 at TARGET, fetched
# with NPM in the scratch folder WORK. A second run finds it there and fetches nothing. When it
# cannot be had the conversion test skips, so this says why and does not fail.
#   cmake -DNPM=/usr/bin/npm -DWORK=... -DTARGET=.../ffmpeg.exe -P FetchFfmpeg.cmake
if(EXISTS "${TARGET}")
    message(STATUS "ffmpeg.exe fetched earlier: ${TARGET}")
    return()
endif()
if(NOT NPM)
    message(STATUS "no Windows ffmpeg: npm is not installed")
    return()
endif()

file(REMOVE_RECURSE "${WORK}")
file(MAKE_DIRECTORY "${WORK}")
execute_process(COMMAND "${NPM}" pack --silent @ffmpeg-installer/win32-x64
                WORKING_DIRECTORY "${WORK}" RESULT_VARIABLE failed ERROR_VARIABLE why
                TIMEOUT 240)
file(GLOB archive "${WORK}/*.tgz")
if(failed OR NOT archive)
    message(STATUS "no Windows ffmpeg: npm pack @ffmpeg-installer/win32-x64 failed (${failed})\n"
                   "${why}")
    return()
endif()
file(ARCHIVE_EXTRACT INPUT "${archive}" DESTINATION "${WORK}" PATTERNS package/ffmpeg.exe)
if(NOT EXISTS "${WORK}/package/ffmpeg.exe")
    message(STATUS "no Windows ffmpeg: the package holds no package/ffmpeg.exe")
    return()
endif()
# Moved into place whole, so that a cut-short run leaves nothing that looks fetched.
get_filename_component(folder "${TARGET}" DIRECTORY)
file(MAKE_DIRECTORY "${folder}")
file(RENAME "${WORK}/package/ffmpeg.exe" "${TARGET}")
file(REMOVE_RECURSE "${WORK}")
message(STATUS "fetched ffmpeg.exe from ${archive}")
