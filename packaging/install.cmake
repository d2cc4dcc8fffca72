# Installing puts the program, the voice library and the help pages in the standard layout:
#   bin/orlune, share/orlune/语音库/, share/orlune/site/, a desktop entry and an icon.
# The program looks for its data beside itself first (a build tree), then under share/orlune.
include(GNUInstallDirs)

install(TARGETS orlune orlune-course orlune-lookup RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(DIRECTORY ${CMAKE_RUNTIME_OUTPUT_DIRECTORY}/语音库
        DESTINATION ${CMAKE_INSTALL_DATADIR}/orlune)
install(DIRECTORY ${PROJECT_SOURCE_DIR}/site/ DESTINATION ${CMAKE_INSTALL_DATADIR}/orlune/site)
install(FILES ${CMAKE_CURRENT_LIST_DIR}/orlune.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${CMAKE_CURRENT_LIST_DIR}/orlune.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(FILES ${PROJECT_SOURCE_DIR}/resources/ECDICT-LICENSE ${PROJECT_SOURCE_DIR}/LICENSE
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/orlune)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME orlune)
set(CPACK_PACKAGE_VENDOR "Orlune developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Study program for an English course: listen, look up, record, dictate")
set(CPACK_PACKAGE_CONTACT "Orlune developers <orlune@localhost>")
set(CPACK_DEBIAN_PACKAGE_SECTION education)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "libqt6sql6-sqlite, qt6-speech-flite-plugin, fonts-noto-cjk, fonts-liberation2, qt6-qpa-plugins")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
include(CPack)
