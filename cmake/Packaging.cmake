# What `cmake --install` puts where, and the Debian package CPack builds from it (scripts/package).
install(TARGETS norvane norvane-sandbox RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
# The sandbox looks for its sample scripts in <prefix>/share/norvane/sample beside its bin/.
file(GLOB norvane_sample_scripts ${PROJECT_SOURCE_DIR}/sandbox/sample/*.sql)
install(FILES ${norvane_sample_scripts} ${PROJECT_SOURCE_DIR}/sandbox/sample/README.md
        DESTINATION ${CMAKE_INSTALL_DATADIR}/norvane/sample)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME norvane)
set(CPACK_PACKAGE_VENDOR "Norvane")
set(CPACK_PACKAGE_CONTACT "Norvane developers <developers@norvane.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Desktop tool for developers who work against Microsoft SQL Server")
set(CPACK_PACKAGE_DESCRIPTION
    "Norvane browses a SQL Server database's tables, views, procedures and functions, generates SQL, \
CRUD procedures, data scripts and calling code, runs queries, searches object source, writes spreadsheet \
reports, compares databases and backs them up. norvane-sandbox is a loopback server with sample databases.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION database)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_STRIP_FILES ON)
# Norvane reaches SQL Server only through the FreeTDS ODBC driver, which it loads by name at run time.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "tdsodbc")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-utils")
include(CPack)
