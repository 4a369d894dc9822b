# Install rules (GNU directories) and the Debian package. The build tree mirrors the parts
# the programs look for beside bin/ (share/vrnx2/lang), so they run from there as installed.
include(GNUInstallDirs)

set(VRNX2_APP_ID org.halv.Varnex2)
set(VRNX2_MAINTAINER "HALV <vrnx2@halv.org>" CACHE STRING "Maintainer of the Debian package")
if(VRNX2_WEB_ADDRESS)
  set(default_shot "${VRNX2_WEB_ADDRESS}/screenshots/main-window.png")
else()
  set(default_shot "https://halv.org/varnex/screenshots/main-window.png")
endif()
set(VRNX2_SCREENSHOT_URL "${default_shot}" CACHE STRING "Screenshot in the AppStream metadata")

set(data ${PROJECT_SOURCE_DIR}/data)
set(share ${CMAKE_BINARY_DIR}/share)

# Language resources, copied where an installed program finds them.
set(lang_sources ${PROJECT_SOURCE_DIR}/examples/lang/english.rsl)
set(lang_built)
foreach(src IN LISTS lang_sources)
  get_filename_component(name ${src} NAME)
  add_custom_command(OUTPUT ${share}/vrnx2/lang/${name}
                     COMMAND ${CMAKE_COMMAND} -E copy ${src} ${share}/vrnx2/lang/${name}
                     DEPENDS ${src} VERBATIM)
  list(APPEND lang_built ${share}/vrnx2/lang/${name})
endforeach()
add_custom_target(vrnx2_lang ALL DEPENDS ${lang_built})
add_dependencies(vrnx2-cli vrnx2_lang)
if(VRNX2_GUI)
  add_dependencies(vrnx2 vrnx2_lang)
endif()

# Manual pages and the package's changelog: the version filled in, compressed as Debian
# wants them (gzip -9n: no name, no time stamp).
find_program(GZIP_PROGRAM gzip REQUIRED)
set(man_pages vrnx2-cli quenfa trellin)
if(VRNX2_GUI)
  list(APPEND man_pages vrnx2)
endif()
set(compressed)
foreach(page IN LISTS man_pages)
  configure_file(${data}/man/${page}.1.in ${CMAKE_BINARY_DIR}/man-source/${page}.1 @ONLY)
  set(out ${share}/man/man1/${page}.1)
  add_custom_command(OUTPUT ${out}.gz
                     COMMAND ${CMAKE_COMMAND} -E copy ${CMAKE_BINARY_DIR}/man-source/${page}.1 ${out}
                     COMMAND ${GZIP_PROGRAM} -9nf ${out}
                     DEPENDS ${data}/man/${page}.1.in ${CMAKE_BINARY_DIR}/man-source/${page}.1
                     VERBATIM)
  list(APPEND compressed ${out}.gz)
endforeach()
# The version has no Debian revision: a native package, whose changelog is changelog.gz.
configure_file(${data}/debian/changelog.in ${CMAKE_BINARY_DIR}/man-source/changelog @ONLY)
set(changelog ${share}/doc/vrnx2/changelog)
add_custom_command(OUTPUT ${changelog}.gz
                   COMMAND ${CMAKE_COMMAND} -E copy ${CMAKE_BINARY_DIR}/man-source/changelog
                           ${changelog}
                   COMMAND ${GZIP_PROGRAM} -9nf ${changelog}
                   DEPENDS ${CMAKE_BINARY_DIR}/man-source/changelog VERBATIM)
add_custom_target(vrnx2_docs ALL DEPENDS ${compressed} ${changelog}.gz)

configure_file(${data}/${VRNX2_APP_ID}.metainfo.xml.in
               ${share}/metainfo/${VRNX2_APP_ID}.metainfo.xml @ONLY)

# Directories in the package as Debian wants them, whatever the umask.
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ
                                                GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

install(TARGETS vrnx2-cli quenfa trellin RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
# The stand-in builder is no command of its own: it is copied into demo builder folders.
install(TARGETS pebuilder RUNTIME DESTINATION ${CMAKE_INSTALL_LIBEXECDIR}/vrnx2)
install(DIRECTORY ${PROJECT_SOURCE_DIR}/examples/demo-builder ${PROJECT_SOURCE_DIR}/examples/demo-source
        DESTINATION ${CMAKE_INSTALL_DATADIR}/vrnx2/demo)
install(FILES ${lang_sources} DESTINATION ${CMAKE_INSTALL_DATADIR}/vrnx2/lang)
install(FILES ${compressed} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${data}/completion/vrnx2-cli.bash
        DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions RENAME vrnx2-cli)
install(FILES ${data}/debian/copyright ${changelog}.gz
        DESTINATION ${CMAKE_INSTALL_DOCDIR})
if(VRNX2_GUI)
  install(TARGETS vrnx2 RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  install(FILES ${data}/${VRNX2_APP_ID}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(FILES ${share}/metainfo/${VRNX2_APP_ID}.metainfo.xml
          DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
  set(icons ${CMAKE_INSTALL_DATADIR}/icons/hicolor)
  install(FILES ${data}/icons/${VRNX2_APP_ID}.svg DESTINATION ${icons}/scalable/apps)
  foreach(size 48 256)
    install(FILES ${data}/icons/${VRNX2_APP_ID}-${size}.png DESTINATION ${icons}/${size}x${size}/apps
            RENAME ${VRNX2_APP_ID}.png)
  endforeach()
endif()

# cpack -G DEB in a Release build: one package, its library dependencies found by
# dpkg-shlibdeps.
set(CPACK_PACKAGE_NAME vrnx2)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR HALV)
set(CPACK_PACKAGE_CONTACT "${VRNX2_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "build profiles for bootable Windows preinstallation environments")
string(CONCAT CPACK_PACKAGE_DESCRIPTION
       "Tools for people who assemble bootable Windows preinstallation environments\n"
       "with an outside builder program. vrnx2 keeps builder installations and build\n"
       "profiles, stages plugins, runs the builder and reports on it. vrnx2-cli does\n"
       "the same from scripts and edits the settings store. quenfa rewrites\n"
       "setup-information files in reduced form. trellin upper-cases chosen names of\n"
       "a build output tree.")
set(CPACK_GENERATOR DEB)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-noto-cjk, xdg-utils, qemu-system-x86, qemu-system-gui")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "wine, locales")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
if(VRNX2_WEB_ADDRESS)
  set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "${VRNX2_WEB_ADDRESS}")
endif()
include(CPack)
