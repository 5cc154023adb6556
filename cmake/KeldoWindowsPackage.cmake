# The Windows installer and the portable zip, built with the programs:
#   keldo-link-<version>-x64.msi    per machine into Program Files\KELDO Link,
#                                   a Start-menu shortcut, an "Apps & features"
#                                   entry; replaces any older version
#   keldo-link-<version>-win64.zip  both programs, the README and the licence
# wixl (msitools) builds the MSI on Linux from packaging/windows/keldo-link.wxs.
find_program(KELDO_WIXL wixl)
if(NOT KELDO_WIXL)
  message(FATAL_ERROR "wixl is missing: install it (scripts/lib.sh lists the packages)")
endif()

# The upgrade code names the product across all versions and never changes.
# The product code follows from it and the version, so a rebuild of a version
# is the same product to Windows Installer, and another version is another.
set(KELDO_MSI_UPGRADE_CODE 6F0B8E5A-3C1D-4C7E-9A51-2D7B8C4E1F10)

# The files both artefacts ship, in a folder named as the zip's top folder.
set(keldo_portable_name keldo-link-${PROJECT_VERSION}-win64)
set(keldo_files_dir ${CMAKE_BINARY_DIR}/windows-files/${keldo_portable_name})
set(keldo_shipped keldo-link.exe keldo-linkd.exe README.txt LICENSE.txt)
set(keldo_staged ${keldo_shipped} keldo-link.ico)
list(TRANSFORM keldo_staged PREPEND ${keldo_files_dir}/)
add_custom_command(
  OUTPUT ${keldo_staged}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${keldo_files_dir}
  COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:keldo-link> $<TARGET_FILE:keldo-linkd> ${KELDO_ART_ICO}
          ${keldo_files_dir}
  # The symbol tables are more than half of each file and of no use to a user.
  COMMAND ${CMAKE_STRIP} --strip-all ${keldo_files_dir}/keldo-link.exe ${keldo_files_dir}/keldo-linkd.exe
  COMMAND ${CMAKE_COMMAND} -DIN=${PROJECT_SOURCE_DIR}/README.md -DOUT=${keldo_files_dir}/README.txt
          -P ${PROJECT_SOURCE_DIR}/cmake/KeldoCrlf.cmake
  COMMAND ${CMAKE_COMMAND} -DIN=${PROJECT_SOURCE_DIR}/LICENSE -DOUT=${keldo_files_dir}/LICENSE.txt
          -P ${PROJECT_SOURCE_DIR}/cmake/KeldoCrlf.cmake
  DEPENDS keldo-link keldo-linkd keldo_art_files ${KELDO_ART_ICO} ${PROJECT_SOURCE_DIR}/README.md
          ${PROJECT_SOURCE_DIR}/LICENSE ${PROJECT_SOURCE_DIR}/cmake/KeldoCrlf.cmake
  COMMENT "Gathering the files of the Windows packages"
  VERBATIM)

set(KELDO_ZIP ${KELDO_PACKAGE_DIR}/${keldo_portable_name}.zip)
set(keldo_zip_members ${keldo_shipped})
list(TRANSFORM keldo_zip_members PREPEND ${keldo_portable_name}/)
add_custom_command(
  OUTPUT ${KELDO_ZIP}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${KELDO_PACKAGE_DIR}
  COMMAND ${CMAKE_COMMAND} -E tar cf ${KELDO_ZIP} --format=zip --mtime=${KELDO_RELEASE_DATE} --
          ${keldo_zip_members}
  WORKING_DIRECTORY ${CMAKE_BINARY_DIR}/windows-files
  DEPENDS ${keldo_staged}
  COMMENT "Packing ${keldo_portable_name}.zip"
  VERBATIM)
add_custom_target(keldo_zip ALL DEPENDS ${KELDO_ZIP})

# keldo_add_msi(<target> <version> <output>): the installer of this build's
# files under the given version (the tests make an older one to upgrade from).
function(keldo_add_msi target version output)
  string(UUID product_code NAMESPACE ${KELDO_MSI_UPGRADE_CODE} NAME ${version} TYPE SHA1 UPPER)
  set(wxs ${PROJECT_SOURCE_DIR}/packaging/windows/keldo-link.wxs)
  get_filename_component(output_dir ${output} DIRECTORY)
  add_custom_command(
    OUTPUT ${output}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${output_dir}
    COMMAND ${KELDO_WIXL} --arch x64 -D Version=${version} -D ProductCode=${product_code}
            -D UpgradeCode=${KELDO_MSI_UPGRADE_CODE} -D Manufacturer=${KELDO_PUBLISHER} -o ${output} ${wxs}
    WORKING_DIRECTORY ${keldo_files_dir}
    DEPENDS ${wxs} ${keldo_staged}
    COMMENT "Building the installer ${output}"
    VERBATIM)
  add_custom_target(${target} ALL DEPENDS ${output})
endfunction()

set(KELDO_MSI ${KELDO_PACKAGE_DIR}/keldo-link-${PROJECT_VERSION}-x64.msi)
keldo_add_msi(keldo_msi ${PROJECT_VERSION} ${KELDO_MSI})
