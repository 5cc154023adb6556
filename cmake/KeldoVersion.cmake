# The program's one version is the top project's VERSION. It reaches the code
# through a generated header (target keldo_version) and the Windows
# executables through a version resource (keldo_add_version_resource).

set(KELDO_PUBLISHER "TALMO")
set(KELDO_PRODUCT "KELDO Link")

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
