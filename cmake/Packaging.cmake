# The Debian package (scripts/package): everything the install rules put under the prefix.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME ienedancho)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_CONTACT "いえねだん帳 developers <ienedancho@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "estimate the land and house value of a Japanese property")
# The extended description; CPack puts the summary above it as the synopsis and turns the empty
# line into the paragraph mark.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "いえねだん帳 (ie-nedan-cho) is a desktop program for someone weighing a
Japanese house offered for sale. It estimates what the land and the house
are worth and sets those estimates against the asking prices.

The land is valued from the road-line price (rosenka), the plot area and a
lot-correction factor; the house from the price per tsubo and the floor
area, depreciated by structure and age. Properties are saved with a memo
and a site photo, printed as an A4 report and exported as CSV.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# Libraries the program links are found by dpkg-shlibdeps. What the program and Qt load at run time
# are not: libzip4 (opened with dlopen when a trade price download is read), the
# platform plugins (xcb in libqt6gui6, the others in qt6-qpa-plugins) and the IPA fonts that the
# windows and the report are drawn with.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "libqt6gui6, qt6-qpa-plugins, libzip4, fonts-ipafont-gothic, fonts-ipafont-mincho")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-wayland, qt6-translations-l10n")
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS OFF)
include(CPack)
