# Packages, made by cpack in a configured build folder (scripts/package.sh does all of it):
#   Linux     kivrel_<version>_<arch>.deb: the program and its template timer.ini in
#             /usr/lib/kivrel, the link /usr/bin/kivrel, the menu entry, the icons, the manual
#             page, the copyright file and the changelog; Depends comes from dpkg-shlibdeps.
#   Windows   Kivrel-<version>-win64.zip, a portable folder: Kivrel.exe, an empty timer.ini, a
#             short readme and report.cmd, which opens the usage report.
set(KIVREL_PACKAGING_DIR ${PROJECT_SOURCE_DIR}/packaging)

set(CPACK_PACKAGE_NAME kivrel)
set(CPACK_PACKAGE_VENDOR "Kivrel developers")
set(CPACK_PACKAGE_CONTACT "Kivrel developers <dev@kivrel.invalid>")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "connection time meter for hourly-billed Internet access")
set(CPACK_PACKAGE_DESCRIPTION [=[Kivrel sits in the notification area and, every 6 seconds, asks the system
whether the machine is online. While it is, it adds a tenth of a minute to
the current billing month and saves the total at once. Its window shows the
month's use, the allowance left and the billing day, and looks up, presets or
clears the totals of the twelve months.]=])
set(CPACK_STRIP_FILES ON)
set(CPACK_SOURCE_IGNORE_FILES "/\\\\.git/;/build[^/]*/")

if(WIN32)
  set(CPACK_GENERATOR ZIP)
  set(CPACK_PACKAGE_FILE_NAME Kivrel-${PROJECT_VERSION}-win64)
  set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
  # The portable folder: the program, an empty timer.ini beside it, the readme (CRLF, for
  # Notepad) and report.cmd (CRLF, for cmd.exe).
  set(KIVREL_ZIP_STAGE ${CMAKE_BINARY_DIR}/packaging)
  file(WRITE ${KIVREL_ZIP_STAGE}/timer.ini "")
  configure_file(${KIVREL_PACKAGING_DIR}/windows/readme.txt ${KIVREL_ZIP_STAGE}/readme.txt
                 @ONLY NEWLINE_STYLE WIN32)
  configure_file(${KIVREL_PACKAGING_DIR}/windows/report.cmd ${KIVREL_ZIP_STAGE}/report.cmd
                 @ONLY NEWLINE_STYLE WIN32)
  install(TARGETS Kivrel RUNTIME DESTINATION .)
  install(FILES ${KIVREL_ZIP_STAGE}/timer.ini ${KIVREL_ZIP_STAGE}/readme.txt
                ${KIVREL_ZIP_STAGE}/report.cmd DESTINATION .)
elseif(TARGET kivrel)
  include(GNUInstallDirs)
  set(CPACK_GENERATOR DEB)
  set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_SECTION net)
  set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  # dpkg-shlibdeps finds the Qt libraries; the X11 platform plugin (only recommended by Qt) and a
  # font with the window's Chinese glyphs are named here.
  set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, fonts-wqy-microhei | fonts-noto-cjk")
  set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

  # The documentation files Debian asks for, compressed the way it asks (gzip -9n).
  set(KIVREL_DEB_STAGE ${CMAKE_BINARY_DIR}/packaging)
  set(KIVREL_DEB_DOCDIR ${CMAKE_INSTALL_DATADIR}/doc/kivrel)
  foreach(doc debian/changelog kivrel.1)
    get_filename_component(name ${doc} NAME)
    add_custom_command(OUTPUT ${KIVREL_DEB_STAGE}/${name}.gz
      COMMAND ${CMAKE_COMMAND} -E make_directory ${KIVREL_DEB_STAGE}
      COMMAND gzip -9nc ${KIVREL_PACKAGING_DIR}/${doc} > ${KIVREL_DEB_STAGE}/${name}.gz
      DEPENDS ${KIVREL_PACKAGING_DIR}/${doc}
      VERBATIM)
    list(APPEND KIVREL_DEB_DOCS ${KIVREL_DEB_STAGE}/${name}.gz)
  endforeach()
  add_custom_target(kivrel_package_docs ALL DEPENDS ${KIVREL_DEB_DOCS})
  install(FILES ${KIVREL_DEB_STAGE}/changelog.gz ${KIVREL_PACKAGING_DIR}/debian/copyright
          DESTINATION ${KIVREL_DEB_DOCDIR})
  install(FILES ${KIVREL_DEB_STAGE}/kivrel.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endif()

include(CPack)
