# `make package`: a Debian package of what `cmake --install` lays out, made
# by CPack. The Makefile configures its build with the prefix /usr, so that
# the paths built into the program are the ones the package installs.
set(RATELARK_MAINTAINER "RateLark developers <developers@ratelark.invalid>"
    CACHE STRING "the package's Maintainer; the default address is in the reserved .invalid domain, as RateLark has none")

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME ratelark)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX ${CMAKE_INSTALL_PREFIX})
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION net)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${RATELARK_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# The libraries come from dpkg-shlibdeps; awk runs the totals pipelines, and
# the usage history needs the SQLite driver, a plug-in no linker sees.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "gawk | mawk, libqt6sql6-sqlite")
# xdg-open opens the README and the software centre; GNOME Software and KDE
# Discover show RateLark's page for "Rate RateLark".
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-utils")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "gnome-software | plasma-discover")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "live network speeds in the desktop's status area")
# Lines of at most 80 characters, as dpkg shows them.
string(JOIN "\n" CPACK_PACKAGE_DESCRIPTION
  "RateLark puts the live download and upload speeds into the desktop's status"
  "area: a tray item for StatusNotifierItem hosts (KDE Plasma, GNOME with the"
  "AppIndicator extension, Xfce, LXQt) and for X11 trays, or a status line for"
  "bars such as waybar, polybar and i3blocks."
  ""
  "It shows how much data the machine has received and sent in total, with a"
  "reset, and offers a small floating speed window. The speeds come from"
  "ratelark-netstat, a small sampler that reads /proc/net/dev once a second."
  ""
  "It keeps a usage history that survives restarts and reboots: what went"
  "through today, this month and on each day, in the menu and as a report"
  "(ratelark --usage), in a table, JSON or CSV.")
include(CPack)
