# Gathers the Windows program folder that the installer and the portable zip are made of, and
# the lists of its files the installer installs and its uninstaller removes one by one (never a
# whole folder, which may hold the user's own files).
#   cmake -DSTAGE=<folder> -DSTRIP=<strip> -DCLI=<pivora-cli.exe> [-DWINDOW=<pivora.exe>]
#         -DCONVERTER=<ffmpeg.exe> -DDOCS=<docs folder> -DSOUND=<sound.wav>
#         -DLISTS=<folder for the .nsh lists> -DSTAMP=<file> -P WindowsStage.cmake
get_filename_component(pivora_npm_folder "${CONVERTER}" DIRECTORY)
set(pivora_package_json "${pivora_npm_folder}/package.json")
if(NOT EXISTS "${CONVERTER}" OR NOT EXISTS "${pivora_package_json}")
    message(FATAL_ERROR "No Windows ffmpeg at ${CONVERTER}: it is fetched from the npm registry "
                        "(npm pack @ffmpeg-installer/win32-x64), which could not be reached.")
endif()
set(pivora_gpl /usr/share/common-licenses/GPL-3)
if(NOT EXISTS ${pivora_gpl})
    message(FATAL_ERROR "The GPL's text is not at ${pivora_gpl} (Debian's base-files)")
endif()

file(REMOVE_RECURSE "${STAGE}")
file(MAKE_DIRECTORY "${STAGE}/data")
foreach(pivora_program ${CLI} ${WINDOW})
    get_filename_component(pivora_name "${pivora_program}" NAME)
    execute_process(COMMAND ${STRIP} -o "${STAGE}/${pivora_name}" "${pivora_program}"
                    RESULT_VARIABLE pivora_failed)
    if(pivora_failed)
        message(FATAL_ERROR "Could not strip ${pivora_program}")
    endif()
endforeach()
file(COPY_FILE "${CONVERTER}" "${STAGE}/data/conv.exe")
file(COPY_FILE "${DOCS}/help.html" "${STAGE}/help.html")
file(COPY_FILE "${DOCS}/help.en.html" "${STAGE}/help.en.html")
if(EXISTS "${SOUND}")
    file(COPY_FILE "${SOUND}" "${STAGE}/sound.wav")
endif()

# The converter's licence, as its npm package states it, with what the build holds and the
# licence's own text.
file(READ "${pivora_package_json}" pivora_json)
foreach(pivora_key name version license ffmpeg homepage)
    string(JSON pivora_${pivora_key} ERROR_VARIABLE pivora_missing
           GET "${pivora_json}" ${pivora_key})
    if(pivora_missing)
        set(pivora_${pivora_key} "(not stated)")
    endif()
endforeach()
file(STRINGS "${CONVERTER}" pivora_configuration REGEX "^--enable-gpl" LIMIT_COUNT 1)
file(READ ${pivora_gpl} pivora_gpl_text)
string(REPLACE "\n" "\r\n" pivora_gpl_text "${pivora_gpl_text}")
file(WRITE "${STAGE}/data/conv-LICENSE.txt"
     "conv.exe in this folder is FFmpeg (https://ffmpeg.org), a program of its own that Pivora\r\n"
     "runs to convert videos. It is not part of Pivora and comes under its own licence.\r\n\r\n"
     "Build:    FFmpeg ${pivora_ffmpeg} for 64-bit Windows (${pivora_homepage}),\r\n"
     "          from the npm package ${pivora_name} ${pivora_version}\r\n"
     "Licence:  ${pivora_license}, as the package states: the GNU General Public License,\r\n"
     "          version 3, whose text follows.\r\n"
     "Built with: ${pivora_configuration}\r\n\r\n"
     "----------------------------------------------------------------------------\r\n\r\n"
     "${pivora_gpl_text}")

# What to install and what to remove, deepest folders removed last but first.
file(GLOB_RECURSE pivora_files RELATIVE "${STAGE}" "${STAGE}/*")
list(SORT pivora_files)
set(pivora_install "")
set(pivora_uninstall "")
set(pivora_folders "")
set(pivora_current "-")
foreach(pivora_file ${pivora_files})
    get_filename_component(pivora_folder "${pivora_file}" DIRECTORY)
    string(REPLACE "/" "\\" pivora_windows_file "${pivora_file}")
    string(REPLACE "/" "\\" pivora_windows_folder "${pivora_folder}")
    if(NOT pivora_folder STREQUAL pivora_current)
        set(pivora_current "${pivora_folder}")
        if(pivora_folder)
            string(APPEND pivora_install "SetOutPath \"$INSTDIR\\${pivora_windows_folder}\"\n")
            list(APPEND pivora_folders "${pivora_windows_folder}")
        else()
            string(APPEND pivora_install "SetOutPath \"$INSTDIR\"\n")
        endif()
    endif()
    string(APPEND pivora_install "File \"${STAGE}/${pivora_file}\"\n")
    string(APPEND pivora_uninstall "Delete \"$INSTDIR\\${pivora_windows_file}\"\n")
endforeach()
list(REMOVE_DUPLICATES pivora_folders)
list(SORT pivora_folders ORDER DESCENDING)
foreach(pivora_folder ${pivora_folders})
    string(APPEND pivora_uninstall "RMDir \"$INSTDIR\\${pivora_folder}\"\n")
endforeach()
string(APPEND pivora_install "SetOutPath \"$INSTDIR\"\n")
file(WRITE "${LISTS}/install-files.nsh" "${pivora_install}")
file(WRITE "${LISTS}/uninstall-files.nsh" "${pivora_uninstall}")
file(TOUCH "${STAMP}")
