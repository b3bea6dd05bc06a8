# The Windows download, made on Linux: pivora-<version>-setup.exe (NSIS) and
# pivora-<version>-portable.zip, both of one folder holding the programs, data\conv.exe (a
# Windows ffmpeg from the npm registry) with its licence, the help pages and the end sound.
#
#   cmake --build build-win32 --target windows-download
#
# The window pivora.exe goes in when the build has it; until then pivora-cli.exe is the
# program the installer's shortcuts and "Open with" entries start.
if(NOT WIN32)
    return()
endif()

set(PIVORA_HOMEPAGE "https://github.com/pivora/pivora" CACHE STRING
    "Homepage named by the installer")
find_program(PIVORA_MAKENSIS makensis)
find_program(PIVORA_NPM npm)
find_program(PIVORA_HOST_FFMPEG ffmpeg)

set(pivora_windows ${CMAKE_BINARY_DIR}/windows)
set(pivora_stage ${pivora_windows}/Pivora)
set(pivora_stamp ${pivora_windows}/stage.stamp)
set(pivora_setup ${CMAKE_BINARY_DIR}/pivora-${PROJECT_VERSION}-setup.exe)
set(pivora_zip ${CMAKE_BINARY_DIR}/pivora-${PROJECT_VERSION}-portable.zip)
# The same place the Windows tests fetch it to, so that it is fetched once per build folder.
set(PIVORA_WINDOWS_CONVERTER ${CMAKE_BINARY_DIR}/tests/win32/ffmpeg/ffmpeg.exe)

if(PIVORA_HOST_FFMPEG)
    include(${CMAKE_CURRENT_LIST_DIR}/EndSound.cmake)
    pivora_make_end_sound(${PIVORA_HOST_FFMPEG} ${pivora_windows}/sound.wav)
endif()

add_custom_command(OUTPUT ${PIVORA_WINDOWS_CONVERTER}
    COMMAND ${CMAKE_COMMAND} -DNPM=${PIVORA_NPM} -DPACKAGE=@ffmpeg-installer/win32-x64
            -DMEMBER=package/ffmpeg.exe -DWORK=${pivora_windows}/npm
            -DTARGET=${PIVORA_WINDOWS_CONVERTER}
            -P ${PROJECT_SOURCE_DIR}/tests/support/FetchConverter.cmake
    COMMENT "Fetching the Windows ffmpeg from the npm registry"
    VERBATIM)

set(pivora_window_args)
set(pivora_main_exe pivora-cli.exe)
set(pivora_program_targets pivora-cli)
if(TARGET pivora)
    set(pivora_window_args -DWINDOW=$<TARGET_FILE:pivora>)
    set(pivora_main_exe pivora.exe)
    list(APPEND pivora_program_targets pivora)
endif()
add_custom_command(OUTPUT ${pivora_stamp}
    COMMAND ${CMAKE_COMMAND} -DSTAGE=${pivora_stage} -DSTRIP=${CMAKE_STRIP}
            -DCLI=$<TARGET_FILE:pivora-cli> ${pivora_window_args}
            -DCONVERTER=${PIVORA_WINDOWS_CONVERTER} -DDOCS=${PROJECT_SOURCE_DIR}/docs
            -DSOUND=${pivora_windows}/sound.wav -DLISTS=${pivora_windows} -DSTAMP=${pivora_stamp}
            -P ${CMAKE_CURRENT_LIST_DIR}/WindowsStage.cmake
    DEPENDS ${pivora_program_targets} ${PIVORA_WINDOWS_CONVERTER}
            ${PROJECT_SOURCE_DIR}/docs/help.html ${PROJECT_SOURCE_DIR}/docs/help.en.html
            ${CMAKE_CURRENT_LIST_DIR}/WindowsStage.cmake
    COMMENT "Gathering the Windows program folder"
    VERBATIM)

add_custom_command(OUTPUT ${pivora_zip}
    COMMAND ${CMAKE_COMMAND} -E rm -f ${pivora_zip}
    COMMAND ${CMAKE_COMMAND} -E tar cf ${pivora_zip} --format=zip Pivora
    WORKING_DIRECTORY ${pivora_windows}
    DEPENDS ${pivora_stamp}
    COMMENT "Packing the portable zip"
    VERBATIM)
set(pivora_downloads ${pivora_zip})

if(PIVORA_MAKENSIS)
    set(pivora_nsis ${PROJECT_SOURCE_DIR}/packaging/windows)
    # The picture beside the setup's last page, drawn from the icon.
    find_package(Python3 COMPONENTS Interpreter)
    set(pivora_wizard ${pivora_windows}/wizard.bmp)
    set(pivora_wizard_define)
    if(Python3_Interpreter_FOUND AND PIVORA_RSVG_CONVERT)
        add_custom_command(OUTPUT ${pivora_wizard}
            COMMAND ${PIVORA_RSVG_CONVERT} -w 112 -h 112 -o ${pivora_windows}/wizard-icon.png
                    ${PROJECT_SOURCE_DIR}/packaging/pivora.svg
            COMMAND Python3::Interpreter ${pivora_nsis}/wizard_bitmap.py
                    ${pivora_windows}/wizard-icon.png ${pivora_wizard}
            DEPENDS ${PROJECT_SOURCE_DIR}/packaging/pivora.svg ${pivora_nsis}/wizard_bitmap.py
            VERBATIM)
        set(pivora_wizard_define -DWIZARD=${pivora_wizard})
    else()
        set(pivora_wizard)
    endif()
    set(pivora_nsis_defines
        -DVERSION=${PROJECT_VERSION}
        -DVERSION4=${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR}.${PROJECT_VERSION_PATCH}.0
        -DPUBLISHER=${PIVORA_PUBLISHER} -DHOMEPAGE=${PIVORA_HOMEPAGE}
        -DSTAGE=${pivora_stage} -DLISTS=${pivora_windows} -DMAIN_EXE=${pivora_main_exe}
        -DOUTFILE=${pivora_setup} ${pivora_wizard_define})
    if(TARGET pivora)
        list(APPEND pivora_nsis_defines -DHAVE_WINDOW)
    endif()
    if(PIVORA_WINDOWS_ICON)
        list(APPEND pivora_nsis_defines -DICON=${PIVORA_WINDOWS_ICON})
    endif()
    add_custom_command(OUTPUT ${pivora_setup}
        COMMAND ${PIVORA_MAKENSIS} -V2 -INPUTCHARSET UTF8 ${pivora_nsis_defines}
                ${pivora_nsis}/pivora.nsi
        DEPENDS ${pivora_stamp} ${pivora_nsis}/pivora.nsi ${PIVORA_WINDOWS_ICON} ${pivora_wizard}
        COMMENT "Making the Windows installer with NSIS"
        VERBATIM)
    list(APPEND pivora_downloads ${pivora_setup})
else()
    message(STATUS "makensis not found: the Windows download is the portable zip alone")
endif()

add_custom_target(windows-download DEPENDS ${pivora_downloads})
set(PIVORA_WINDOWS_SETUP ${pivora_setup})
set(PIVORA_WINDOWS_ZIP ${pivora_zip})
