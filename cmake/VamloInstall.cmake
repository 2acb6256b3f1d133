# Install rules and the Debian package: the program, its desktop entry, its
# icons in the hicolor theme and its AppStream metainfo, all under one id.
include(GNUInstallDirs)

set(VAMLO_APP_ID org.vamlo.Vamlo)
set(VAMLO_WEB_URL "https://vamlo.org" CACHE STRING "The project's web address (metainfo homepage and screenshots)")
set(desktop_dir ${CMAKE_SOURCE_DIR}/src/gui/res/desktop)

install(TARGETS vamlo RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${desktop_dir}/${VAMLO_APP_ID}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
configure_file(${desktop_dir}/${VAMLO_APP_ID}.metainfo.xml.in ${CMAKE_BINARY_DIR}/${VAMLO_APP_ID}.metainfo.xml @ONLY)
install(FILES ${CMAKE_BINARY_DIR}/${VAMLO_APP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

# The PNG sizes are rendered from the one SVG at build time; the @2 folders
# hold the double-size pictures that sharp 2x screens ask for.
find_program(RSVG_CONVERT rsvg-convert REQUIRED)
set(icon_svg ${desktop_dir}/${VAMLO_APP_ID}.svg)
set(icon_root ${CMAKE_BINARY_DIR}/icons/hicolor)
set(icon_pngs)
foreach(size 16 24 32 48 64 128 256)
  foreach(scale 1 2)
    set(folder ${size}x${size})
    if(scale EQUAL 2)
      if(size EQUAL 256)
        continue()
      endif()
      string(APPEND folder "@2")
    endif()
    math(EXPR pixels "${size} * ${scale}")
    set(png ${icon_root}/${folder}/apps/${VAMLO_APP_ID}.png)
    add_custom_command(OUTPUT ${png}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${icon_root}/${folder}/apps
      COMMAND ${RSVG_CONVERT} -w ${pixels} -h ${pixels} -o ${png} ${icon_svg}
      DEPENDS ${icon_svg} VERBATIM)
    list(APPEND icon_pngs ${png})
  endforeach()
endforeach()
add_custom_target(vamlo_icons ALL DEPENDS ${icon_pngs})
install(DIRECTORY ${icon_root} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons)
install(FILES ${icon_svg} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)

set(CPACK_PACKAGE_NAME vamlo)
set(CPACK_PACKAGE_VENDOR "Brisk Orchard Corp")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "FTP client that handles sites the way a file explorer handles folders")
set(CPACK_PACKAGE_DESCRIPTION "Vamlo shows local folders and connected FTP sites in one folder tree;\ncopy in one pane and paste in another uploads, downloads or copies files.")
set(CPACK_PACKAGE_CONTACT "Vamlo maintainers <maintainers@vamlo.org>")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION net)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE ${VAMLO_WEB_URL})
# Depends comes from the libraries the program really links (dpkg-shlibdeps).
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Without it Qt falls back to X11 under Wayland.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS qt6-wayland)
include(CPack)
