# Install rules (cmake --install). The Debian package is built from debian/ by debhelper
# (scripts/package.sh), which runs these rules too. Included from the top-level file once the
# programs and the artwork targets exist.
include(GNUInstallDirs)

set(KAVREL_APP_ID example.kavrel.Kavrel)

# debian/changelog's newest entry dates this version for the manual pages and the AppStream
# release, as it dates the package's files (SOURCE_DATE_EPOCH), and must name this version.
file(STRINGS debian/changelog changelog_lines)
list(GET changelog_lines 0 changelog_head)
if(NOT changelog_head MATCHES "^kavrel \\(${PROJECT_VERSION}\\) ")
    message(FATAL_ERROR "debian/changelog starts with '${changelog_head}', not version ${PROJECT_VERSION}")
endif()
list(FILTER changelog_lines INCLUDE REGEX "^ -- ")
list(GET changelog_lines 0 changelog_trailer)
if(NOT changelog_trailer MATCHES ", ([0-9]?[0-9]) ([A-Z][a-z][a-z]) ([0-9][0-9][0-9][0-9]) ")
    message(FATAL_ERROR "no date in debian/changelog's line '${changelog_trailer}'")
endif()
set(year ${CMAKE_MATCH_3})
set(month_names Jan Feb Mar Apr May Jun Jul Aug Sep Oct Nov Dec)
set(month_numbers 01 02 03 04 05 06 07 08 09 10 11 12)
list(FIND month_names ${CMAKE_MATCH_2} month_index)
list(GET month_numbers ${month_index} month)
string(REGEX MATCH "..$" day 0${CMAKE_MATCH_1})
set(KAVREL_RELEASE_DATE ${year}-${month}-${day})
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS debian/changelog)

set(KAVREL_SHARE_DIR ${CMAKE_INSTALL_DATADIR}/kavrel)
set(KAVREL_FULL_SHARE_DIR ${CMAKE_INSTALL_FULL_DATADIR}/kavrel)
set(KAVREL_DOC_DIR ${CMAKE_INSTALL_DATADIR}/doc/kavrel)

# The programs find the shared files relative to themselves, so any install prefix works.
file(RELATIVE_PATH share_from_bin ${CMAKE_INSTALL_FULL_BINDIR} ${KAVREL_FULL_SHARE_DIR})
set_property(SOURCE common/StartFolder.cpp APPEND PROPERTY COMPILE_DEFINITIONS
             KAVREL_SHARE_FROM_BIN="${share_from_bin}")

# Generated documents: AppStream data and manual pages. A software centre gets no link to a
# placeholder address (the reserved .example domain never resolves).
set(dist_dir ${CMAKE_CURRENT_BINARY_DIR}/dist)
set(KAVREL_METAINFO_URLS "")
if(NOT KAVREL_URL_HOME MATCHES "\\.example(/|:|$)")
    foreach(kind homepage help contact)
        string(TOUPPER ${kind} upper)
        if(kind STREQUAL homepage)
            set(upper HOME)
        endif()
        string(APPEND KAVREL_METAINFO_URLS "  <url type=\"${kind}\">${KAVREL_URL_${upper}}</url>\n")
    endforeach()
endif()
configure_file(dist/${KAVREL_APP_ID}.metainfo.xml.in ${dist_dir}/${KAVREL_APP_ID}.metainfo.xml @ONLY)
set(dist_gz)
foreach(page kavrel.1 kavrel-setup.1 kavrel-send.1 kavrel-numbers.1)
    configure_file(dist/${page}.in ${dist_dir}/${page} @ONLY)
    list(APPEND dist_gz ${dist_dir}/gz/${page}.gz)
endforeach()
foreach(gz IN LISTS dist_gz)
    get_filename_component(name ${gz} NAME_WLE)
    # -n leaves name and time out of the header, so the package is reproducible.
    add_custom_command(OUTPUT ${gz}
        COMMAND ${CMAKE_COMMAND} -E copy ${dist_dir}/${name} ${dist_dir}/gz/${name}
        COMMAND gzip -9nf ${dist_dir}/gz/${name}
        DEPENDS ${dist_dir}/${name}
        VERBATIM)
endforeach()
add_custom_target(kavrel-dist ALL DEPENDS ${dist_gz})

install(TARGETS kavrel kavrel-setup kavrel-send kavrel-numbers RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES res/XPOP.dat ${KAVREL_ART_DIR}/sound/mac.wav DESTINATION ${KAVREL_SHARE_DIR})
install(FILES dist/${KAVREL_APP_ID}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${dist_dir}/${KAVREL_APP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
foreach(size IN LISTS KAVREL_ICON_SIZES)
    install(FILES ${KAVREL_ART_DIR}/icons/kavrel-${size}.png
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps RENAME kavrel.png)
endforeach()
install(FILES ${KAVREL_ART_DIR}/icons/kavrel.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(FILES ${dist_gz} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES debian/copyright DESTINATION ${KAVREL_DOC_DIR})
