# The Debian package (`./x package`): CPack's DEB generator over the install
# layout of cmake/Install.cmake. dpkg-shlibdeps names the Debian 12 packages
# of every library the programs link; the rest are what they need at run
# time without linking it.

set(CPACK_PACKAGE_NAME volmar)
set(CPACK_PACKAGE_VENDOR "The Volmar developers")
set(CPACK_PACKAGE_CONTACT "The Volmar developers <volmar@volmar.example.org>")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "configurator and viewer for home-built USB game controllers")
set(CPACK_PACKAGE_DESCRIPTION
    "VolmarSetup reads, edits, checks and writes the EEPROM configuration of a Volmar\n\
controller (atmega32u4 / at90usb boards) over HID feature reports; Inspecta shows\n\
any game controller's axes, hats and buttons live; volmarctl does the same work\n\
on the command line; volmar-sim is a virtual controller for trying it all out.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://volmar.example.org/")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The X11 and Wayland platform plugins are not linked but loaded: without
# them the windows cannot open. udev applies the rule that gives access.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, udev")
# The loader templates call these; the firmware page works without them
# until an upload is started.
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "dfu-programmer, avrdude, teensy-loader-cli, jstest-gtk, usbview")

include(CPack)
