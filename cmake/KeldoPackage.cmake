# What the users install, from the one version of the project:
#   Linux    the Debian packages keldo-link (the window) and keldo-linkd (the
#            daemon) through CPack's DEB generator: `cpack` in the build folder
#   Windows  keldo-link-<version>-x64.msi (wixl) and the portable
#            keldo-link-<version>-win64.zip, built with the programs
# All land in <build>/packages. Include after the programs' folders.

set(KELDO_PACKAGE_DIR ${CMAKE_BINARY_DIR}/packages)

if(WIN32)
  include(KeldoWindowsPackage)
else()
  include(KeldoDebianPackage)
endif()
