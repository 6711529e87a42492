# Installation of the programs with their desktop integration (menu entry, icon, help page), and a
# Debian package of the same files built by CPack: `cmake --install <build>` or `cpack` in the
# build folder (`cpack -G DEB`).
include(GNUInstallDirs)

foreach(program drollo drollo-batch)
  if(TARGET ${program})
    install(TARGETS ${program} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  endif()
endforeach()

if(TARGET drollo)
  install(FILES desktop/drollo.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(FILES desktop/drollo.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
  # The help menu's question page in Chinese and in English, found beside the program's folder
  # (bin/../share/drollo/help).
  install(FILES desktop/faq.html desktop/faq_en.html DESTINATION ${CMAKE_INSTALL_DATADIR}/drollo/help)
  # The build tree lays them out the same way: its programs live one folder below the build folder.
  foreach(page faq.html faq_en.html)
    configure_file(desktop/${page} ${CMAKE_BINARY_DIR}/share/drollo/help/${page} COPYONLY)
  endforeach()
endif()

set(CPACK_PACKAGE_NAME drollo)
set(CPACK_PACKAGE_VENDOR "Drollo")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Picture editor that turns photographs into cartoon-like pictures")
set(CPACK_PACKAGE_DESCRIPTION
    "Deform photographs with the mouse (bulge, pinch, stretch, swirl, smudge, wave), turn them into pen or pencil sketches, extract and draw an outline layer; save as JPEG, BMP or metafile, print or mail.")
set(CPACK_PACKAGE_CONTACT "Drollo <team@drollo.org>")
set(CPACK_PACKAGE_INSTALL_DIRECTORY drollo)
set(CPACK_GENERATOR DEB)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://www.drollo.org/")
# The shared libraries' packages are found by dpkg-shlibdeps when it is installed (dpkg-dev);
# otherwise the list below names them.
find_program(DPKG_SHLIBDEPS dpkg-shlibdeps)
if(DPKG_SHLIBDEPS)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  set(CPACK_DEBIAN_PACKAGE_DEPENDS "xdg-utils, fonts-noto-cjk, qt6-qpa-plugins, qt6-translations-l10n")
else()
  set(CPACK_DEBIAN_PACKAGE_DEPENDS
      "libqt6widgets6, libqt6printsupport6, libqt6gui6, libqt6core6, libjpeg62-turbo, libgif7, libpng16-16, xdg-utils, fonts-noto-cjk, qt6-qpa-plugins, qt6-translations-l10n")
endif()
include(CPack)
