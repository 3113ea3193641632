# The Qt program for 64-bit Windows: mingw-w64 with the Qt for Windows that Debian lacks, unpacked from
# its archive into the build tree on first use. TALLYDIAL_QT_WINDOWS_ARCHIVE names the archive (by
# default in ../shared/qt-windows beside the source tree; also from the environment); TALLYDIAL_QT_WINDOWS_DIR is where it goes.
# On Windows itself the preset builds with the Qt kit named by CMAKE_PREFIX_PATH and its own MinGW.
if(CMAKE_HOST_WIN32)
    return()
endif()
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES TALLYDIAL_QT_WINDOWS_DIR TALLYDIAL_QT_WINDOWS_ARCHIVE)
if(NOT TALLYDIAL_QT_WINDOWS_DIR)
    message(FATAL_ERROR "Set TALLYDIAL_QT_WINDOWS_DIR (the windows-x64-qt preset does)")
endif()
if(NOT TALLYDIAL_QT_WINDOWS_ARCHIVE AND DEFINED ENV{TALLYDIAL_QT_WINDOWS_ARCHIVE})
    set(TALLYDIAL_QT_WINDOWS_ARCHIVE "$ENV{TALLYDIAL_QT_WINDOWS_ARCHIVE}")
elseif(NOT TALLYDIAL_QT_WINDOWS_ARCHIVE)
    get_filename_component(TALLYDIAL_QT_WINDOWS_ARCHIVE
        "${CMAKE_CURRENT_LIST_DIR}/../../../shared/qt-windows/qt-6.4.2-x86_64-w64-mingw32.tar.xz" ABSOLUTE)
endif()
set(qt_toolchain "${TALLYDIAL_QT_WINDOWS_DIR}/lib/cmake/Qt6/qt.toolchain.cmake")
if(NOT EXISTS "${qt_toolchain}")
    if(NOT EXISTS "${TALLYDIAL_QT_WINDOWS_ARCHIVE}")
        message(FATAL_ERROR "No Qt for Windows at ${TALLYDIAL_QT_WINDOWS_ARCHIVE}: set TALLYDIAL_QT_WINDOWS_ARCHIVE")
    endif()
    # The archive holds one folder, qt6-win; it is unpacked beside and renamed, so that an interrupted
    # unpack is never taken for a whole one.
    get_filename_component(parent "${TALLYDIAL_QT_WINDOWS_DIR}" DIRECTORY)
    set(unpacking "${parent}/qt6-win.unpacking")
    file(REMOVE_RECURSE "${unpacking}")
    file(MAKE_DIRECTORY "${unpacking}")
    message(STATUS "Unpacking ${TALLYDIAL_QT_WINDOWS_ARCHIVE}")
    execute_process(COMMAND tar -xJf "${TALLYDIAL_QT_WINDOWS_ARCHIVE}" -C "${unpacking}" RESULT_VARIABLE failed)
    if(failed)
        message(FATAL_ERROR "Could not unpack ${TALLYDIAL_QT_WINDOWS_ARCHIVE}")
    endif()
    file(RENAME "${unpacking}/qt6-win" "${TALLYDIAL_QT_WINDOWS_DIR}")
    file(REMOVE_RECURSE "${unpacking}")
endif()

set(QT_CHAINLOAD_TOOLCHAIN_FILE "${CMAKE_CURRENT_LIST_DIR}/x86_64-w64-mingw32.cmake")
# moc, uic, rcc and qhelpgenerator are Debian's, of the same Qt version.
set(QT_HOST_PATH /usr)
include("${qt_toolchain}")
# Qt's DLLs bring libstdc++ and its companions; the programs share them rather than carry a second copy.
set(CMAKE_EXE_LINKER_FLAGS_INIT "")
