# What `cmake --install` puts where: the programs in bin/, and beside them what a Linux desktop
# and a packager look for (menu entry, icons, AppStream metadata, manual pages). `cpack -G DEB`
# makes a Debian package of the same tree.
include(GNUInstallDirs)

foreach(program rovanel rovanel-cli)
  if(TARGET ${program})
    install(TARGETS ${program} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  endif()
endforeach()

set(rv_data ${CMAKE_SOURCE_DIR}/data)
set(rv_appstream_id example.quorvel.Rovanel)

if(TARGET rovanel)
  install(FILES ${rv_data}/rovanel.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  configure_file(${rv_data}/${rv_appstream_id}.metainfo.xml.in
                 ${CMAKE_BINARY_DIR}/data/${rv_appstream_id}.metainfo.xml @ONLY)
  install(FILES ${CMAKE_BINARY_DIR}/data/${rv_appstream_id}.metainfo.xml
          DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
  install(FILES ${rv_data}/icons/rovanel.svg
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
  # data/icons/hicolor/<N>x<N>/rovanel.png, one folder per size.
  file(GLOB rv_icon_sizes RELATIVE ${rv_data}/icons/hicolor ${rv_data}/icons/hicolor/*x*)
  foreach(size ${rv_icon_sizes})
    install(FILES ${rv_data}/icons/hicolor/${size}/rovanel.png
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}/apps)
  endforeach()
endif()

foreach(program rovanel rovanel-cli)
  if(TARGET ${program})
    configure_file(${CMAKE_SOURCE_DIR}/docs/man/${program}.1.in
                   ${CMAKE_BINARY_DIR}/man/${program}.1 @ONLY)
    install(FILES ${CMAKE_BINARY_DIR}/man/${program}.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  endif()
endforeach()
install(FILES ${CMAKE_SOURCE_DIR}/README.md DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/rovanel)

set(CPACK_PACKAGE_NAME rovanel)
set(CPACK_PACKAGE_VENDOR "Quorvel Software")
set(CPACK_PACKAGE_CONTACT "Quorvel Software <rovanel@quorvel.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "copy chosen files into folders or onto FTP servers by repeatable projects")
set(CPACK_PACKAGE_DESCRIPTION
    "Rovanel copies chosen files from source folders into output folders, or uploads them to FTP \
servers, by copy projects kept in a settings file: wildcard patterns, excludes, an output folder \
with tags and an overwrite mode. The window runs and previews them and logs every decision; \
rovanel-cli runs the same projects from cron and scripts.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE https://quorvel.example/)
# The libraries' packages, found by dpkg-shlibdeps from the programs themselves.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
include(CPack)
