# cmake --install: the program, its menu entry, icons, AppStream metainfo,
# systemd unit and README, each in the usual place under the prefix.
include(GNUInstallDirs)

install(TARGETS tolvane RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES data/org.tolvane.Tolvane.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES data/org.tolvane.Tolvane.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
foreach(size 16 32 48 64 128 256)
  install(FILES data/icons/tolvane-${size}.png RENAME tolvane.png
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
endforeach()
install(FILES data/icons/tolvane.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
# Under the package's name, where Debian keeps a package's documents.
install(FILES README.md DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/tolvane)
install(FILES docs/window.png DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/tolvane/docs)

# The unit in contrib/ starts /usr/local/bin/tolvane, where the README's
# steps copy it; the installed one starts the installed program. The prefix is
# known only when installing (a package installs into /usr whatever the build
# was configured with), so the unit is written then.
install(CODE "
  file(READ \"${PROJECT_SOURCE_DIR}/contrib/tolvane.service\" unit)
  string(REPLACE \"ExecStart=/usr/local/bin/tolvane \"
                 \"ExecStart=\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/tolvane \" unit \"\${unit}\")
  set(unit_file \"\${CMAKE_INSTALL_PREFIX}/lib/systemd/system/tolvane.service\")
  message(STATUS \"Installing: \$ENV{DESTDIR}\${unit_file}\")
  file(WRITE \"\$ENV{DESTDIR}\${unit_file}\" \"\${unit}\")
  list(APPEND CMAKE_INSTALL_MANIFEST_FILES \"\${unit_file}\")
")
