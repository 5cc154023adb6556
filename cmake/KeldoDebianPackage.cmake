# The Debian packages keldo-link and keldo-linkd, one per install component,
# made by CPack's DEB generator from the same install rules as `cmake --install`.
# Run-time dependencies come from the binaries (dpkg-shlibdeps).
include(GNUInstallDirs)

execute_process(COMMAND date -u -R -d "${KELDO_RELEASE_DATE} 12:00" OUTPUT_VARIABLE KELDO_RELEASE_DATE_RFC2822
                OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)

# What Debian asks of every package: its copyright and changelog in its doc folder.
foreach(KELDO_DEB_PACKAGE IN ITEMS keldo-link keldo-linkd)
  set(dir ${CMAKE_BINARY_DIR}/debian/${KELDO_DEB_PACKAGE})
  configure_file(${PROJECT_SOURCE_DIR}/packaging/debian/changelog.in ${dir}/changelog @ONLY)
  add_custom_command(
    OUTPUT ${dir}/changelog.gz
    COMMAND gzip -9nkf ${dir}/changelog
    DEPENDS ${dir}/changelog
    VERBATIM)
  add_custom_target(${KELDO_DEB_PACKAGE}_changelog ALL DEPENDS ${dir}/changelog.gz)
  install(FILES ${dir}/changelog.gz ${PROJECT_SOURCE_DIR}/packaging/debian/copyright
          DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/${KELDO_DEB_PACKAGE} COMPONENT ${KELDO_DEB_PACKAGE})
endforeach()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME keldo-link)
set(CPACK_PACKAGE_VENDOR ${KELDO_PUBLISHER})
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DIRECTORY ${KELDO_PACKAGE_DIR})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
# The unit's ExecStart names the prefix the install script is given; with
# DESTDIR that prefix is /usr and not the staging folder.
set(CPACK_SET_DESTDIR ON)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL keldo-link keldo-linkd)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)  # keldo-link_1.0.0_amd64.deb
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${KELDO_MAINTAINER})
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE ${KELDO_HOMEPAGE})
set(CPACK_DEBIAN_PACKAGE_SECTION comm)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

set(keldo_about "KELDO Link makes a serial device that answers in lines ended by a carriage
return (a scale, a meter, a terminal) reachable over the network, as a TCP
server on port 5001 or as a TCP client that reconnects every 5 seconds.")
set(CPACK_DEBIAN_KELDO-LINK_PACKAGE_NAME keldo-link)
set(CPACK_DEBIAN_KELDO-LINK_DESCRIPTION "join a serial port to a TCP connection, with a window
${keldo_about}
This package holds the desktop program: a small window with the log and the
state, and an icon in the notification area.")
set(CPACK_DEBIAN_KELDO-LINKD_PACKAGE_NAME keldo-linkd)
set(CPACK_DEBIAN_KELDO-LINKD_DESCRIPTION "join a serial port to a TCP connection, as a service
${keldo_about}
This package holds the daemon keldo-linkd for machines without a desktop and
its systemd unit, installed disabled.")
set(keldo_maintainer_scripts postinst prerm postrm)
list(TRANSFORM keldo_maintainer_scripts PREPEND ${PROJECT_SOURCE_DIR}/packaging/debian/keldo-linkd/)
set(CPACK_DEBIAN_KELDO-LINKD_PACKAGE_CONTROL_EXTRA ${keldo_maintainer_scripts})

include(CPack)
