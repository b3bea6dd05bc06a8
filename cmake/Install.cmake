# Installation by the GNU layout, and a Debian package made from it by CPack.
#
# The program finds its converter, help page and end sound beside its real executable, so the
# executable and its data live together in one folder; bin/pivora is a relative link to it.
if(WIN32 OR NOT PIVORA_BUILD_GUI)
    return()
endif()
include(GNUInstallDirs)

set(PIVORA_INSTALL_PROGRAMDIR ${CMAKE_INSTALL_LIBDIR}/pivora CACHE STRING
    "Folder, under the prefix, of the executable and its data")
set(PIVORA_SYSTEM_FFMPEG /usr/bin/ffmpeg CACHE FILEPATH
    "The system's ffmpeg, which the installed converter link data/conv points to")
set(PIVORA_MAINTAINER "Pivora developers <pivora@users.noreply.github.com>" CACHE STRING
    "Maintainer named in the Debian package")
set(PIVORA_HOMEPAGE "https://github.com/pivora/pivora" CACHE STRING "Homepage of the package")
set(PIVORA_INSTALL_DATADIR ${CMAKE_INSTALL_DATADIR}/pivora)
file(RELATIVE_PATH pivora_data_from_program /${PIVORA_INSTALL_PROGRAMDIR}
     /${PIVORA_INSTALL_DATADIR})
target_compile_definitions(pivora_core PRIVATE
                           PIVORA_DATA_FROM_PROGRAM="${pivora_data_from_program}")
set(PIVORA_APP_ID io.github.pivora.Pivora)
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

set(pivora_packaging ${PROJECT_SOURCE_DIR}/packaging)
set(pivora_staged ${CMAKE_BINARY_DIR}/packaging)
file(MAKE_DIRECTORY ${pivora_staged})

# The link is made here and installed as a link.
cmake_path(ABSOLUTE_PATH PIVORA_INSTALL_PROGRAMDIR BASE_DIRECTORY ${CMAKE_INSTALL_PREFIX}
           OUTPUT_VARIABLE pivora_program_full)
file(RELATIVE_PATH pivora_to_program ${CMAKE_INSTALL_FULL_BINDIR} ${pivora_program_full}/pivora)
file(CREATE_LINK ${pivora_to_program} ${pivora_staged}/pivora SYMBOLIC)
# The command line finds the converter and options.ini beside itself as the window does.
file(CREATE_LINK ${pivora_to_program}-cli ${pivora_staged}/pivora-cli SYMBOLIC)

# Debian wants its documentation compressed at the highest level and without a time stamp.
configure_file(${pivora_packaging}/changelog ${pivora_staged}/changelog @ONLY)
configure_file(${pivora_packaging}/pivora.1 ${pivora_staged}/pivora.1 @ONLY)
configure_file(${pivora_packaging}/pivora-cli.1 ${pivora_staged}/pivora-cli.1 @ONLY)
foreach(pivora_page changelog pivora.1 pivora-cli.1)
    execute_process(COMMAND gzip -9nf ${pivora_staged}/${pivora_page} RESULT_VARIABLE pivora_gzip)
    if(NOT pivora_gzip EQUAL 0)
        message(FATAL_ERROR "gzip failed on ${pivora_page}")
    endif()
endforeach()

install(TARGETS pivora pivora-cli RUNTIME DESTINATION ${PIVORA_INSTALL_PROGRAMDIR})
# What does not depend on the machine goes with the shared data; the program looks for it
# there, by the same relative path, before it looks beside itself.
install(FILES ${CMAKE_BINARY_DIR}/help.html ${CMAKE_BINARY_DIR}/help.en.html
        DESTINATION ${PIVORA_INSTALL_DATADIR})
install(FILES ${CMAKE_BINARY_DIR}/translations/pivora_en.qm
        DESTINATION ${PIVORA_INSTALL_DATADIR}/translations)
install(FILES ${CMAKE_BINARY_DIR}/sound.wav DESTINATION ${PIVORA_INSTALL_DATADIR} OPTIONAL)
install(DIRECTORY DESTINATION ${PIVORA_INSTALL_PROGRAMDIR}/data)
# The converter link is made at install time, when the final prefix is known: relative when
# it and the system's ffmpeg share their top-level folder (as Debian wants), else absolute.
install(CODE "
    set(pivora_folder [[${PIVORA_INSTALL_PROGRAMDIR}/data]])
    cmake_path(ABSOLUTE_PATH pivora_folder BASE_DIRECTORY \"\${CMAKE_INSTALL_PREFIX}\")
    set(pivora_target [[${PIVORA_SYSTEM_FFMPEG}]])
    string(REGEX MATCH [[^/[^/]*]] pivora_top_of_folder \"\${pivora_folder}\")
    string(REGEX MATCH [[^/[^/]*]] pivora_top_of_target \"\${pivora_target}\")
    if(pivora_top_of_folder STREQUAL pivora_top_of_target)
        file(RELATIVE_PATH pivora_target \"\${pivora_folder}\" \"\${pivora_target}\")
    endif()
    set(pivora_link \"\$ENV{DESTDIR}\${pivora_folder}/conv\")
    message(STATUS \"Installing: \${pivora_link} -> \${pivora_target}\")
    file(CREATE_LINK \"\${pivora_target}\" \"\${pivora_link}\" SYMBOLIC)
    list(APPEND CMAKE_INSTALL_MANIFEST_FILES \"\${pivora_link}\")
")
install(FILES ${pivora_staged}/pivora ${pivora_staged}/pivora-cli
        DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${pivora_packaging}/${PIVORA_APP_ID}.desktop
        DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/applications)
install(FILES ${pivora_packaging}/${PIVORA_APP_ID}.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/metainfo)
# The icon under the application's id: scalable, and drawn at the theme's usual sizes.
install(FILES ${pivora_packaging}/pivora.svg
        DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/icons/hicolor/scalable/apps
        RENAME ${PIVORA_APP_ID}.svg)
find_package(Qt6 REQUIRED COMPONENTS Gui Svg)
add_executable(render_icon ${pivora_packaging}/render_icon.cpp)
target_link_libraries(render_icon PRIVATE Qt6::Gui Qt6::Svg)
foreach(pivora_size 48 64 128 256)
    set(pivora_png ${pivora_staged}/icon-${pivora_size}.png)
    add_custom_command(OUTPUT ${pivora_png}
                       COMMAND render_icon ${pivora_packaging}/pivora.svg ${pivora_size} ${pivora_png}
                       DEPENDS render_icon ${pivora_packaging}/pivora.svg)
    list(APPEND pivora_pngs ${pivora_png})
    install(FILES ${pivora_png}
            DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/icons/hicolor/${pivora_size}x${pivora_size}/apps
            RENAME ${PIVORA_APP_ID}.png)
endforeach()
add_custom_target(icons ALL DEPENDS ${pivora_pngs})
install(FILES ${pivora_staged}/pivora.1.gz ${pivora_staged}/pivora-cli.1.gz
        DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${pivora_packaging}/copyright ${pivora_staged}/changelog.gz
        DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/doc/pivora)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME pivora)
set(CPACK_PACKAGE_VENDOR "Pivora developers")
set(CPACK_PACKAGE_CONTACT ${PIVORA_MAINTAINER})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "rotate and mirror video files in batches")
set(CPACK_PACKAGE_DESCRIPTION
    "Pivora collects video files in a list and turns them by 90 or 180 degrees or
mirrors them, re-encoding each with FFmpeg to the chosen format and bitrate.
Existing files are never overwritten. The interface is in Simplified Chinese,
and in English where the user's language is English.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION video)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE ${PIVORA_HOMEPAGE})
# The libraries come from what the executable links; the converter is run, not linked.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Without a CJK font every label is a row of boxes: either of two will do. Qt's own dialogs and
# buttons speak the interface's language through Qt's translations.
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "ffmpeg, fonts-wqy-microhei | fonts-noto-cjk, qt6-translations-l10n")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "libcanberra-pulse, xdg-utils")
include(CPack)
