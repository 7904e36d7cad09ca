# Installing the player: the programs in bin/, the show (data.dat, the music, the videos) in share/qv3rn/, where
# an installed player looks for it when its working folder has none; and the Debian package of the same.
include(GNUInstallDirs)

install(TARGETS qv3rn qv3rn-tool RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${PROJECT_BINARY_DIR}/data.dat "${PROJECT_BINARY_DIR}/qv3rn x 10.ogg"
        DESTINATION ${CMAKE_INSTALL_DATADIR}/qv3rn)
install(DIRECTORY ${PROJECT_BINARY_DIR}/data/video DESTINATION ${CMAKE_INSTALL_DATADIR}/qv3rn/data)

# The player finds the show relative to its own place (bin/../share/qv3rn): the layout above must agree.
file(RELATIVE_PATH installed_show /${CMAKE_INSTALL_BINDIR} /${CMAKE_INSTALL_DATADIR}/qv3rn)
if(NOT installed_show STREQUAL "../share/qv3rn")
  message(FATAL_ERROR "the player looks for its show in bin/../share/qv3rn, not in ${installed_show}")
endif()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME qv3rn)
set(CPACK_PACKAGE_VENDOR "Dravinoke")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "QV3RN * 10, a real-time audiovisual demo, and its content tool")
set(CPACK_PACKAGE_DESCRIPTION "A four-minute show of animated 2D and 3D effects played in step with its music on a \
small OpenGL engine of its own; qv3rn-tool packs, inspects and renders the show's content.")
set(CPACK_PACKAGE_INSTALL_DIRECTORY qv3rn)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Dravinoke <qv3rn@dravinoke.invalid>")
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)  # the libraries' packages, read from the programs by dpkg-shlibdeps
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
include(CPack)
