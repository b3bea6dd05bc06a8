# Version information and the program's icon for Windows executables, so that Explorer, the
# task bar and "Apps & features" show what the file is.
#
#   pivora_windows_resources(<target> <description> [<English description>])
#
# adds a resource file to <target>: the icon (resource id 1, the first icon, which Explorer
# shows and a window class may load with MAKEINTRESOURCEW(1)) and a VERSIONINFO in Chinese and
# English. Calling it twice for one target does nothing the second time.
#
# The icon is drawn from packaging/pivora.svg at build time (rsvg-convert) and packed into
# ${PIVORA_WINDOWS_ICON} (icotool); without those tools the resources carry no icon. Included
# more than once (by the top level and by a target's folder), it is read once.
include_guard(GLOBAL)
if(NOT WIN32)
    return()
endif()
enable_language(RC)

set(PIVORA_PUBLISHER "Pivora developers" CACHE STRING "Publisher named in the Windows resources and installer")
set(PIVORA_COPYRIGHT_YEAR 2026)
set(PIVORA_WINDOWS_ICON ${CMAKE_BINARY_DIR}/windows/pivora.ico)

find_program(PIVORA_RSVG_CONVERT rsvg-convert)
find_program(PIVORA_ICOTOOL icotool)
if(PIVORA_RSVG_CONVERT AND PIVORA_ICOTOOL)
    # The small sizes are drawn at their size rather than scaled down from a big one; 256 is
    # kept as PNG inside the icon, as Windows expects.
    set(pivora_icon_commands)
    set(pivora_icon_pngs)
    foreach(pivora_size 16 24 32 48 64 256)
        set(pivora_png ${CMAKE_BINARY_DIR}/windows/icon-${pivora_size}.png)
        list(APPEND pivora_icon_commands COMMAND ${PIVORA_RSVG_CONVERT} -w ${pivora_size}
             -h ${pivora_size} -o ${pivora_png} ${PROJECT_SOURCE_DIR}/packaging/pivora.svg)
        if(pivora_size EQUAL 256)
            list(APPEND pivora_icon_pngs --raw=${pivora_png})
        else()
            list(APPEND pivora_icon_pngs ${pivora_png})
        endif()
    endforeach()
    add_custom_command(OUTPUT ${PIVORA_WINDOWS_ICON}
                       COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/windows
                       ${pivora_icon_commands}
                       COMMAND ${PIVORA_ICOTOOL} -c -o ${PIVORA_WINDOWS_ICON} ${pivora_icon_pngs}
                       DEPENDS ${PROJECT_SOURCE_DIR}/packaging/pivora.svg
                       COMMENT "Drawing the Windows icon")
    add_custom_target(pivora_windows_icon DEPENDS ${PIVORA_WINDOWS_ICON})
else()
    message(STATUS "rsvg-convert or icotool not found: the Windows programs carry no icon")
    set(PIVORA_WINDOWS_ICON "")
endif()

function(pivora_windows_resources target description)
    get_target_property(pivora_done ${target} PIVORA_WINDOWS_RESOURCES)
    if(pivora_done)
        return()
    endif()
    set(pivora_english "${description}")
    if(ARGC GREATER 2)
        set(pivora_english "${ARGV2}")
    endif()
    set(pivora_icon_line "")
    if(PIVORA_WINDOWS_ICON)
        set(pivora_icon_line "1 ICON \"${PIVORA_WINDOWS_ICON}\"")
    endif()
    set(pivora_strings)
    foreach(pivora_block "080404b0;${description}" "040904b0;${pivora_english}")
        list(GET pivora_block 0 pivora_language)
        list(GET pivora_block 1 pivora_text)
        string(APPEND pivora_strings "        BLOCK \"${pivora_language}\"
        BEGIN
            VALUE \"CompanyName\", \"${PIVORA_PUBLISHER}\"
            VALUE \"FileDescription\", \"${pivora_text}\"
            VALUE \"FileVersion\", \"${PROJECT_VERSION}\"
            VALUE \"InternalName\", \"$<TARGET_FILE_BASE_NAME:${target}>\"
            VALUE \"LegalCopyright\", \"© ${PIVORA_COPYRIGHT_YEAR} ${PIVORA_PUBLISHER}\"
            VALUE \"OriginalFilename\", \"$<TARGET_FILE_NAME:${target}>\"
            VALUE \"ProductName\", \"Pivora\"
            VALUE \"ProductVersion\", \"${PROJECT_VERSION}\"
        END
")
    endforeach()
    set(pivora_rc ${CMAKE_BINARY_DIR}/windows/${target}.rc)
    # UTF-8 source, so the Chinese description reaches the resource as it is written here.
    file(GENERATE OUTPUT ${pivora_rc} CONTENT "#pragma code_page(65001)
#include <winver.h>
${pivora_icon_line}
1 VERSIONINFO
FILEVERSION ${PROJECT_VERSION_MAJOR},${PROJECT_VERSION_MINOR},${PROJECT_VERSION_PATCH},0
PRODUCTVERSION ${PROJECT_VERSION_MAJOR},${PROJECT_VERSION_MINOR},${PROJECT_VERSION_PATCH},0
FILEFLAGSMASK VS_FFI_FILEFLAGSMASK
FILEFLAGS 0
FILEOS VOS_NT_WINDOWS32
FILETYPE VFT_APP
FILESUBTYPE VFT2_UNKNOWN
BEGIN
    BLOCK \"StringFileInfo\"
    BEGIN
${pivora_strings}    END
    BLOCK \"VarFileInfo\"
    BEGIN
        VALUE \"Translation\", 0x0804, 1200, 0x0409, 1200
    END
END
")
    target_sources(${target} PRIVATE ${pivora_rc})
    if(PIVORA_WINDOWS_ICON)
        # The icon is read by the resource compiler, which CMake does not scan.
        get_target_property(pivora_target_folder ${target} SOURCE_DIR)
        set_source_files_properties(${pivora_rc} DIRECTORY ${pivora_target_folder}
                                    PROPERTIES OBJECT_DEPENDS ${PIVORA_WINDOWS_ICON})
        add_dependencies(${target} pivora_windows_icon)
    endif()
    set_target_properties(${target} PROPERTIES PIVORA_WINDOWS_RESOURCES ON)
endfunction()
