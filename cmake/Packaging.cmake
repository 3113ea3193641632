# `make package`: a Debian package of the release build, made by CPack.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tallydial)
set(CPACK_PACKAGE_VENDOR "The Tallydial developers")
set(CPACK_PACKAGE_CONTACT "The Tallydial developers <support@tallydial.example>")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "dial-up call timer and cost counter")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "Tallydial sits in the system tray and notices by itself when a modem or
dial-up connection comes up and goes down, times every call and turns the
time into money with your tariff: five named charge rates chosen by weekday
and hour, a minimum charge per call, a charge for a failed dial, and the free
hours your provider grants each month with its hourly price beyond them.
.
It sets money and time alarms, can hang the line up after a countdown, logs
every call, keeps several tariffs as profiles and has a cost calculator.
NetworkManager's dial-up connections and plain pppd are both watched.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION net)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The libraries come from the programs' own links; what they load at run time is named here:
# the toolkit's display plugins, and the SQLite driver that Qt's help engine reads its files with.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, libqt6sql6-sqlite")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
include(CPack)
