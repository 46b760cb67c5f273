# The Debian package (scripts/package.sh): cpack -G DEB in a release build configured for
# the prefix /usr. The package's dependencies are read from the shared libraries that the
# program and its module link.
set(CPACK_PACKAGE_NAME "tessarine")
set(CPACK_PACKAGE_VENDOR "Korvell")
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "JSON viewer for programmers, with a command line")
set(CPACK_PACKAGE_DESCRIPTION
  "Tessarine shows JSON text, API responses and log lines as a tree, in seven\n\
tabs whose documents come back at the next start. It accepts unquoted or\n\
single-quoted keys, trailing commas and truncated text, shows each node's path\n\
and its value with escapes decoded, searches the tree and fetches a URL from\n\
the clipboard. Its command line prints the tree, the node table, paths and\n\
values without a window.")
set(CPACK_PACKAGE_HOMEPAGE_URL "https://www.example.com/tessarine/")
set(CPACK_PACKAGE_CONTACT "Korvell <tessarine@example.com>")
set(CPACK_STRIP_FILES ON)
set(CPACK_GENERATOR "DEB")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION "devel")
set(CPACK_DEBIAN_PACKAGE_PRIORITY "optional")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Qt's own dialogs and buttons speak Chinese like the window only with Qt's translations
# (the libraries' dependencies come from shlibdeps and are added to this one).
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-translations-l10n")
# Without a CJK font the window's Chinese texts show as boxes.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-wqy-microhei")
include(CPack)
