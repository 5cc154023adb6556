# keldo_add_man_page(<name> <section> COMPONENT <component>): turns
# docs/man/<name>.<section>.scd into a gzipped roff page with scdoc and installs
# it. Does nothing on Windows, which reads no man pages.
if(NOT WIN32)
  execute_process(COMMAND date -u -d "${KELDO_RELEASE_DATE}" +%s OUTPUT_VARIABLE KELDO_RELEASE_EPOCH
                  OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
endif()

function(keldo_add_man_page name section)
  cmake_parse_arguments(PARSE_ARGV 2 arg "" "COMPONENT" "")
  if(WIN32)
    return()
  endif()
  find_program(KELDO_SCDOC scdoc)
  if(NOT KELDO_SCDOC)
    message(FATAL_ERROR "scdoc is missing: install it (scripts/lib.sh lists the packages)")
  endif()
  set(source ${PROJECT_SOURCE_DIR}/docs/man/${name}.${section}.scd)
  set(roff ${CMAKE_CURRENT_BINARY_DIR}/${name}.${section})
  # The page's date is the release's, so a rebuild gives the same file.
  add_custom_command(
    OUTPUT ${roff}.gz
    COMMAND ${CMAKE_COMMAND} -E env SOURCE_DATE_EPOCH=${KELDO_RELEASE_EPOCH}
            sh -c "\"$0\" < \"$1\" > \"$2\"" ${KELDO_SCDOC} ${source} ${roff}
    COMMAND gzip -9nf ${roff}
    DEPENDS ${source}
    COMMENT "Writing the man page ${name}(${section})"
    VERBATIM)
  add_custom_target(${name}_man_page ALL DEPENDS ${roff}.gz)
  install(FILES ${roff}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man${section} COMPONENT ${arg_COMPONENT})
endfunction()
