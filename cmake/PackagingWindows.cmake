# The Windows folder: the programs with the Qt DLLs, plugins and MinGW runtime they load, and the help,
# all in one folder that runs where it is put. `make package-windows` zips it.
# The Qt that the build found, when no unpacked one is there (a Qt kit on Windows itself).
if(NOT EXISTS "${TALLYDIAL_QT_WINDOWS_DIR}/bin/Qt6Core.dll")
    get_filename_component(TALLYDIAL_QT_WINDOWS_DIR "${Qt6_DIR}/../../.." ABSOLUTE)
endif()
set(qt_windows_dlls Qt6Core Qt6Gui Qt6Widgets Qt6Network Qt6Sql Qt6Help Qt6Charts
                    libgcc_s_seh-1 libstdc++-6 libwinpthread-1)
list(TRANSFORM qt_windows_dlls PREPEND ${TALLYDIAL_QT_WINDOWS_DIR}/bin/)
list(TRANSFORM qt_windows_dlls APPEND .dll)
install(TARGETS tallydial logviewer tallydial-reg tallydial-line RUNTIME DESTINATION .)
# The help window, loaded when help is first asked for.
install(TARGETS tallydial-help LIBRARY DESTINATION . RUNTIME DESTINATION .)
install(FILES ${qt_windows_dlls} DESTINATION .)
# The display itself, the help's database, the native look and the icons.
install(FILES ${TALLYDIAL_QT_WINDOWS_DIR}/plugins/platforms/qwindows.dll DESTINATION platforms)
install(FILES ${TALLYDIAL_QT_WINDOWS_DIR}/plugins/sqldrivers/qsqlite.dll DESTINATION sqldrivers)
install(FILES ${TALLYDIAL_QT_WINDOWS_DIR}/plugins/styles/qwindowsvistastyle.dll DESTINATION styles)
install(FILES ${TALLYDIAL_QT_WINDOWS_DIR}/plugins/imageformats/qico.dll DESTINATION imageformats)

# Gathered at every build, ready to run or to copy to a Windows machine.
add_custom_target(tallydial_windows_folder ALL
    COMMAND ${CMAKE_COMMAND} --install ${PROJECT_BINARY_DIR} --prefix ${PROJECT_BINARY_DIR}/Tallydial
    DEPENDS tallydial logviewer tallydial-reg tallydial-line tallydial-help tallydial_help
    COMMENT "Gathering the Windows folder"
    VERBATIM)

set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME Tallydial)
set(CPACK_PACKAGE_VENDOR "The Tallydial developers")
set(CPACK_PACKAGE_FILE_NAME Tallydial-${PROJECT_VERSION}-windows-x64)
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
set(CPACK_PACKAGE_DIRECTORY ${PROJECT_BINARY_DIR}/package)
include(CPack)
