# What the three Linux packages install besides the programs: icons, manual pages, and each
# package's copyright and changelog. Each file belongs to the component of its package
# (kovaro, kovarosrv, kovaro-relay), which cmake/debian_packages.cmake turns into a .deb.
include(GNUInstallDirs)

# Where the relay's systemd unit goes, under the prefix: /usr/lib/systemd/system in the package;
# systemd also reads /usr/local/lib/systemd/system for an install from source.
set(KOVARO_SYSTEMD_UNIT_DIR lib/systemd/system CACHE PATH "Folder of the relay's systemd unit")

# The program icon in every size the desktop looks for, under the name the .desktop file uses.
function(kovaro_install_icon component name)
  foreach(size 16 22 24 32 48 64 128 256)
    install(FILES ${CMAKE_SOURCE_DIR}/resources/icon/kovaro-${size}.png
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps RENAME ${name}.png
            COMPONENT ${component})
  endforeach()
  install(FILES ${CMAKE_SOURCE_DIR}/resources/icon/kovaro.svg
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps RENAME ${name}.svg COMPONENT ${component})
endfunction()

# Manual pages and changelogs are installed compressed (gzip -9n: no name or time inside, so
# the same source gives the same bytes).
set(compressed_dir ${CMAKE_BINARY_DIR}/compressed)
set(compressed_files)
function(kovaro_compress source output)
  add_custom_command(OUTPUT ${compressed_dir}/${output}
                     COMMAND ${CMAKE_COMMAND} -E make_directory ${compressed_dir}
                     COMMAND gzip -9n -c ${source} > ${compressed_dir}/${output}
                     DEPENDS ${source} VERBATIM)
  set(compressed_files ${compressed_files} ${compressed_dir}/${output} PARENT_SCOPE)
endfunction()

kovaro_compress(${CMAKE_SOURCE_DIR}/resources/debian/changelog changelog.gz)
foreach(package kovaro kovarosrv kovaro-relay)
  kovaro_compress(${CMAKE_SOURCE_DIR}/resources/man/${package}.1 ${package}.1.gz)
  install(FILES ${compressed_dir}/${package}.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT ${package})
  install(FILES ${CMAKE_SOURCE_DIR}/resources/debian/copyright ${compressed_dir}/changelog.gz
          DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/${package} COMPONENT ${package})
endforeach()
add_custom_target(kovaro_compressed_files ALL DEPENDS ${compressed_files})
