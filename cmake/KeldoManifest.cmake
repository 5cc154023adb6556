# keldo_embed_manifest(<target>): links the application manifest into a Windows
# executable as resource 1 of type RT_MANIFEST (24). Does nothing elsewhere.
function(keldo_embed_manifest target)
  if(NOT WIN32)
    return()
  endif()
  set(manifest ${PROJECT_SOURCE_DIR}/cmake/windows/keldo-link.manifest)
  set(rc ${CMAKE_BINARY_DIR}/keldo-manifest.rc)
  if(NOT EXISTS ${rc})
    file(WRITE ${rc} "1 24 \"${manifest}\"\n")
  endif()
  target_sources(${target} PRIVATE ${rc})
  set_property(SOURCE ${rc} TARGET_DIRECTORY ${target} APPEND PROPERTY OBJECT_DEPENDS ${manifest})
endfunction()
