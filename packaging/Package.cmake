# Installed tree and the Debian package (make install, make package).
# The programs go to bin/ and the sensor tables to share/tservice/tables
# (range/CMakeLists.txt), which is where the programs look beside themselves.
install(TARGETS tservice tservicectl RUNTIME DESTINATION bin)
install(FILES ${CMAKE_CURRENT_LIST_DIR}/tservice.desktop DESTINATION share/applications)
install(FILES ${CMAKE_CURRENT_LIST_DIR}/tservice.svg DESTINATION share/icons/hicolor/scalable/apps)
# The package's licence statement (GPL-3.0-or-later, LICENSE).
install(FILES ${CMAKE_CURRENT_LIST_DIR}/copyright DESTINATION share/doc/tservice)

# Manual pages, compressed as Debian installs them.
set(man_pages)
foreach(page tservice.1 tservicectl.1)
  set(gz ${PROJECT_BINARY_DIR}/man/${page}.gz)
  add_custom_command(OUTPUT ${gz}
    COMMAND ${CMAKE_COMMAND} -E copy ${CMAKE_CURRENT_LIST_DIR}/${page} ${PROJECT_BINARY_DIR}/man/${page}
    COMMAND gzip -9nf ${PROJECT_BINARY_DIR}/man/${page}
    DEPENDS ${CMAKE_CURRENT_LIST_DIR}/${page} VERBATIM)
  list(APPEND man_pages ${gz})
endforeach()
add_custom_target(man_pages ALL DEPENDS ${man_pages})
install(FILES ${man_pages} DESTINATION share/man/man1)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tservice)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "tservice maintainers <tservice@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "service tool for 4-20 mA temperature transmitters on an RS-485 line")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Reads, configures, calibrates and re-addresses the programmable temperature\ntransmitters ЛАДР, ТЕВ-ТС, ТЕВ-ТП and ОСКИ (up to 32 on one line) and computes\nnon-standard ranges from sensor tables: a window program and a command line.")
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
# Dependencies from the shared libraries the programs link (dpkg-shlibdeps).
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_COMPRESSION_TYPE gzip)
include(CPack)
