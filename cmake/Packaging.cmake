# Install rules (cmake --install) and the Debian package (cpack -G DEB; scripts/package.sh).
# Included from the top-level file once the programs and the artwork targets exist.
include(GNUInstallDirs)

set(KAVREL_APP_ID example.kavrel.Kavrel)
# Date of this version, for the manual pages, the AppStream release and the package changelog.
set(KAVREL_RELEASE_DATE 2026-12-07)
set(KAVREL_RELEASE_DATE_RFC "Mon, 07 Dec 2026 00:00:00 +0000")
set(KAVREL_SHARE_DIR ${CMAKE_INSTALL_DATADIR}/kavrel)
set(KAVREL_FULL_SHARE_DIR ${CMAKE_INSTALL_FULL_DATADIR}/kavrel)
set(KAVREL_DOC_DIR ${CMAKE_INSTALL_DATADIR}/doc/kavrel)

# The programs find the shared files relative to themselves, so any install prefix works.
file(RELATIVE_PATH share_from_bin ${CMAKE_INSTALL_FULL_BINDIR} ${KAVREL_FULL_SHARE_DIR})
set_property(SOURCE app/StartFolder.cpp APPEND PROPERTY COMPILE_DEFINITIONS
             KAVREL_SHARE_FROM_BIN="${share_from_bin}")

# Generated documents: AppStream data, manual pages and the package changelog. A software
# centre gets no link to a placeholder address (the reserved .example domain never resolves).
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
configure_file(dist/changelog.in ${dist_dir}/changelog @ONLY)
set(dist_gz)
foreach(page kavrel.1 kavrel-setup.1)
    configure_file(dist/${page}.in ${dist_dir}/${page} @ONLY)
    list(APPEND dist_gz ${dist_dir}/gz/${page}.gz)
endforeach()
list(APPEND dist_gz ${dist_dir}/gz/changelog.gz)
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

install(TARGETS kavrel kavrel-setup RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES res/XPOP.dat ${KAVREL_ART_DIR}/sound/mac.wav DESTINATION ${KAVREL_SHARE_DIR})
install(FILES dist/${KAVREL_APP_ID}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${dist_dir}/${KAVREL_APP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
foreach(size 48 64 128 256)
    install(FILES ${KAVREL_ART_DIR}/icons/kavrel-${size}.png
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps RENAME kavrel.png)
endforeach()
install(FILES ${KAVREL_ART_DIR}/icons/kavrel.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(FILES ${dist_dir}/gz/kavrel.1.gz ${dist_dir}/gz/kavrel-setup.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES dist/copyright ${dist_dir}/gz/changelog.gz DESTINATION ${KAVREL_DOC_DIR})

# The Debian package. dpkg-shlibdeps finds the libraries the programs link; the rest are
# loaded at run time and named here: SQL drivers, the platform plugin, the CJK font, Qt's
# Chinese texts for the standard dialogs and Qt Multimedia for the alert sound.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME kavrel)
set(CPACK_PACKAGE_VENDOR Kavrel)
set(CPACK_PACKAGE_CONTACT "Kavrel developers <dev@kavrel.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "desktop client of the Kavrel bulk-SMS service")
# CPack puts the summary first and indents these lines; an empty line separates paragraphs.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "Customers log in, type one message, build a list of mobile numbers (typed,
pasted or imported from text files, cleaned of invalid and repeated entries)
and submit the batch. Staff audit batches, manage accounts and balances and
query records in the same client.

The client keeps its embedded database, settings, keyword list and audit logs
in the per-user data folder; kavrel-setup prepares a server database.")
set(CPACK_DEBIAN_PACKAGE_SECTION comm)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(kavrel_runtime
    libqt6sql6-sqlite libqt6sql6-psql libqt6sql6-odbc qt6-qpa-plugins libqt6multimedia6
    qt6-translations-l10n fonts-wqy-microhei)
set(kavrel_recommends fonts-arphic-uming)
# A build whose default database is SQL Server cannot run without the FreeTDS driver.
if(KAVREL_DB_DEFAULT MATCHES "^(mssql|sqlserver):")
    list(APPEND kavrel_runtime tdsodbc)
else()
    list(APPEND kavrel_recommends tdsodbc)
endif()
list(JOIN kavrel_runtime ", " CPACK_DEBIAN_PACKAGE_DEPENDS)
list(JOIN kavrel_recommends ", " CPACK_DEBIAN_PACKAGE_RECOMMENDS)
if(NOT KAVREL_URL_HOME MATCHES "\\.example(/|:|$)")
    set(CPACK_DEBIAN_PACKAGE_HOMEPAGE ${KAVREL_URL_HOME})
endif()
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
include(CPack)
