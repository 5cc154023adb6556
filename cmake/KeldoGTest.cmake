# GoogleTest: the distribution's package natively, its sources for the cross build.
if(CMAKE_CROSSCOMPILING)
  set(KELDO_GTEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest sources built for the target")
  set(gtest_disable_pthreads ON CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
  add_subdirectory(${KELDO_GTEST_SOURCE} ${CMAKE_BINARY_DIR}/third_party/googletest EXCLUDE_FROM_ALL SYSTEM)
else()
  find_package(GTest REQUIRED)
endif()

# keldo_add_test_suite(<name> DIRS <dir>... [LIBS <lib>...] [LOCKS <resource>...] [DISPLAY])
# Each suite runs in well under a minute, also under Wine; the timeout ends a
# hung one early rather than after ctest's default.
# One executable per module folder under tests/; every .cpp in it is part of the suite.
# DISPLAY runs it in a private X session (tests/gui/xsession); under Wine in the
# build's GUI prefix with a Wine server of its own, as windows need a display.
function(keldo_add_test_suite name)
  cmake_parse_arguments(ARG "DISPLAY" "" "DIRS;LIBS;LOCKS" ${ARGN})
  set(sources)
  foreach(dir IN LISTS ARG_DIRS)
    file(GLOB dir_sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${dir}/*.cpp)
    list(APPEND sources ${dir_sources})
  endforeach()
  add_executable(${name} ${sources})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} keldo_test_support GTest::gtest GTest::gmock GTest::gtest_main keldo_warnings)
  keldo_embed_manifest(${name})
  if(ARG_DISPLAY)
    add_test(NAME ${name} COMMAND ${PROJECT_SOURCE_DIR}/tests/gui/xsession --no-tray --
             ${CMAKE_CROSSCOMPILING_EMULATOR} $<TARGET_FILE:${name}> --gtest_brief=1)
    set_tests_properties(${name} PROPERTIES TIMEOUT 180
      ENVIRONMENT "KELDO_WINEPREFIX=${CMAKE_BINARY_DIR}/wineprefix-gui;KELDO_WINE_DISPLAY=1")
    list(APPEND ARG_LOCKS wine_gui)
  else()
    add_test(NAME ${name} COMMAND ${name} --gtest_brief=1)
    set_tests_properties(${name} PROPERTIES TIMEOUT 180
      ENVIRONMENT "KELDO_WINEPREFIX=${CMAKE_BINARY_DIR}/wineprefix")
  endif()
  if(ARG_LOCKS)
    set_tests_properties(${name} PROPERTIES RESOURCE_LOCK "${ARG_LOCKS}")
  endif()
endfunction()
