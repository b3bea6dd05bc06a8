# Puts the ffmpeg build MEMBER of the npm package PACKAGE at TARGET, and the package's
# package.json (its version and licence) beside it, fetched with NPM in the scratch folder WORK.
# A second run finds them there and fetches nothing. When they cannot be had the tests that run
# ffmpeg skip, so this says why ("no ffmpeg from npm: ...") and does not fail.
#   cmake -DNPM=/usr/bin/npm -DPACKAGE=@ffmpeg-installer/win32-x64 -DMEMBER=package/ffmpeg.exe
#         -DWORK=... -DTARGET=.../ffmpeg.exe -P FetchConverter.cmake
get_filename_component(folder "${TARGET}" DIRECTORY)
if(EXISTS "${TARGET}" AND EXISTS "${folder}/package.json")
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
file(ARCHIVE_EXTRACT INPUT "${archive}" DESTINATION "${WORK}"
     PATTERNS "${MEMBER}" package/package.json)
if(NOT EXISTS "${WORK}/${MEMBER}" OR NOT EXISTS "${WORK}/package/package.json")
    message(STATUS "no ffmpeg from npm: the package holds no ${MEMBER} or package.json")
    return()
endif()
# Moved into place whole, so that a cut-short run leaves nothing that looks fetched.
file(MAKE_DIRECTORY "${folder}")
file(RENAME "${WORK}/package/package.json" "${folder}/package.json")
file(RENAME "${WORK}/${MEMBER}" "${TARGET}")
file(REMOVE_RECURSE "${WORK}")
message(STATUS "fetched ffmpeg from ${archive}")
