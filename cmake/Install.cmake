# What `cmake --install` puts under the prefix, and the Debian package CPack makes of it.
# Layout: bin/ the program, the demo builder and the benchmark; share/applications the
# desktop entry; share/icons/hicolor the icon; share/doc/vostrel-optimizer the README.
# The program takes `<prefix>/share/applications/vostrel-optimizer.desktop` beside its bin/
# as the sign that it was installed (platform/program_dir.cpp): keep bin and share siblings.
set(VOSTREL_PACKAGE vostrel-optimizer)

install(TARGETS vostrel-optimizer vostrel-make-demo vostrel-bench RUNTIME DESTINATION bin)
install(FILES ${CMAKE_SOURCE_DIR}/data/vostrel-optimizer.desktop DESTINATION share/applications)
install(DIRECTORY ${CMAKE_SOURCE_DIR}/data/icons/hicolor DESTINATION share/icons)
install(FILES ${CMAKE_SOURCE_DIR}/data/icons/vostrel-optimizer.svg DESTINATION share/icons/hicolor/scalable/apps)
install(FILES ${CMAKE_SOURCE_DIR}/README.md DESTINATION share/doc/${VOSTREL_PACKAGE})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME ${VOSTREL_PACKAGE})
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Vostrel maintainers <maintainers@vostrel.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "maintenance tool for the database of a Chinese financial report system")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
  "Vostrel报表系统数据优化工具: logs in to one account set of the report system's database\n"
  "through ODBC and offers its repair functions from one main window, among them a wizard\n"
  "that finds and cleans duplicate report data. Includes vostrel-make-demo, which writes a\n"
  "demo account set (SQLite through the SQLite ODBC driver), and the vostrel-bench benchmark.")
string(CONCAT CPACK_DEBIAN_PACKAGE_DESCRIPTION ${CPACK_DEBIAN_PACKAGE_DESCRIPTION})
set(CPACK_DEBIAN_PACKAGE_SECTION admin)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
# The libraries linked directly (Qt widgets and SQL, libodbc2, libsqlite3-0, the C and C++
# runtimes) come from dpkg-shlibdeps with their versions; the rest is loaded at run time: the
# Qt SQL drivers (ODBC for the program, SQLite for the demo builder), the ODBC driver
# manager's tools and driver list, the SQLite ODBC driver of the demo, the CJK font and Qt's
# Chinese standard texts.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS
  "libqt6sql6-odbc, libqt6sql6-sqlite, unixodbc, odbcinst, libsqliteodbc, fonts-wqy-microhei, qt6-translations-l10n")
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/package)
include(CPack)
