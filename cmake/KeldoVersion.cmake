# The program's one version is the top project's VERSION. It reaches the code
# through a generated header (target keldo_version), the Windows executables
# through a version resource (keldo_add_version_resource), and the packages
# (cmake/KeldoPackage.cmake) with the product's other facts below.

set(KELDO_PUBLISHER "TALMO")
set(KELDO_PRODUCT "KELDO Link")
set(KELDO_APPSTREAM_ID com.talmo.keldo_link)
# The day this version was released, for the packages' changelog, the AppStream
# release and the man pages; it changes with the version.
set(KELDO_RELEASE_DATE 2026-12-09)
# The web address is a placeholder until the publisher names one; the
# AppStream screenshot is looked up below it.
set(KELDO_HOMEPAGE "https://www.talmo.example/keldo-link" CACHE STRING "The product's web page")
set(KELDO_MAINTAINER "TALMO <support@talmo.example>" CACHE STRING "The packages' maintainer")

set(keldo_version_dir ${CMAKE_BINARY_DIR}/generated)
configure_file(${CMAKE_CURRENT_LIST_DIR}/keldo_version.h.in ${keldo_version_dir}/keldo_version.h @ONLY)
add_library(keldo_version INTERFACE)
target_include_directories(keldo_version INTERFACE ${keldo_version_dir})

# keldo_add_version_resource(<target> <file name> <description>): the
# VERSIONINFO record Explorer and "Apps & features" read. Does nothing off Windows.
function(keldo_add_version_resource target file_name description)
  if(NOT WIN32)
    return()
  endif()
  set(KELDO_RC_FILE_NAME ${file_name})
  set(KELDO_RC_DESCRIPTION ${description})
  get_filename_component(KELDO_RC_INTERNAL_NAME ${file_name} NAME_WE)
  set(rc ${CMAKE_CURRENT_BINARY_DIR}/${target}-version.rc)
  configure_file(${PROJECT_SOURCE_DIR}/cmake/windows/version.rc.in ${rc} @ONLY)
  target_sources(${target} PRIVATE ${rc})
endfunction()
