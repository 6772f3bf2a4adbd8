# Installing the server as a system service (cmake --install) and its Debian package
# (cpack). Service files go to their system places whatever the prefix: systemd and
# logrotate look for them there.
include(GNUInstallDirs)
set(VELARIS_DOC_DIR ${CMAKE_INSTALL_DATAROOTDIR}/doc/velaris-accessi)

install(TARGETS velaris-accessi RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
if(TARGET velaris-terminale)
  install(TARGETS velaris-terminale RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()

# The unit names the executable where it is installed, known only when installing
# (cmake --install --prefix ..., or /usr inside the package).
install(CODE "
  set(BINDIR \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}\")
  configure_file(\"${PROJECT_SOURCE_DIR}/packaging/velaris-accessi.service.in\"
                 \"${PROJECT_BINARY_DIR}/packaging/velaris-accessi.service\" @ONLY)
")
install(FILES ${PROJECT_BINARY_DIR}/packaging/velaris-accessi.service DESTINATION lib/systemd/system)
install(FILES packaging/velaris-accessi.logrotate DESTINATION /etc/logrotate.d RENAME velaris-accessi)
install(FILES packaging/velaris-accessi.default DESTINATION /etc/default RENAME velaris-accessi
        PERMISSIONS OWNER_READ OWNER_WRITE)
install(FILES packaging/Velaris.ini DESTINATION /etc/velaris-accessi)
install(FILES README.md docs/status-page.png packaging/copyright DESTINATION ${VELARIS_DOC_DIR})
install(CODE "
  execute_process(COMMAND gzip -9n -c \"${PROJECT_SOURCE_DIR}/packaging/changelog\"
                  OUTPUT_FILE \"${PROJECT_BINARY_DIR}/packaging/changelog.gz\")
")
install(FILES ${PROJECT_BINARY_DIR}/packaging/changelog.gz DESTINATION ${VELARIS_DOC_DIR})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME velaris-accessi)
set(CPACK_PACKAGE_VENDOR Velaris)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Velaris assistenza <assistenza@velaris.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "access-control server for sports centres")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Drives the card and keypad terminals at the doors and turnstiles of a sports\n"
    " centre, decides whether the person at the door may enter and records what\n"
    " happened in the centre's database. Runs as a systemd service; a live status\n"
    " page shows the terminals and the latest accesses.")
string(REPLACE ";" "" CPACK_DEBIAN_PACKAGE_DESCRIPTION "${CPACK_DEBIAN_PACKAGE_DESCRIPTION}")
set(CPACK_DEBIAN_PACKAGE_SECTION net)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "logrotate, tdsodbc")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
# The files under /etc are the administrator's: an upgrade keeps their changes.
file(WRITE ${PROJECT_BINARY_DIR}/packaging/conffiles
     "/etc/default/velaris-accessi\n/etc/logrotate.d/velaris-accessi\n/etc/velaris-accessi/Velaris.ini\n")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${PROJECT_BINARY_DIR}/packaging/conffiles)
include(CPack)
