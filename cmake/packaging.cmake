# What `cmake --install` lays out, and how CPack packs it: the tools, their
# manual pages, the documents with the sample area, and the two images that
# every index page refers to. The package format is chosen per platform
# below (CPACK_GENERATOR); `cmake --workflow --preset package` runs it.
option(KESTREL_DEBIAN_PACKAGE
       "Lay out the install as a Debian package wants it" OFF)
if(WIN32)
  # A Windows user unpacks one folder: the programs, the README and the
  # sample area side by side, the page's images in www.
  set(CMAKE_INSTALL_BINDIR "." CACHE PATH "The programs")
  set(CMAKE_INSTALL_DOCDIR "." CACHE PATH "The README and the sample area")
  set(KESTREL_INSTALL_WWWDIR "www")
else()
  set(CMAKE_INSTALL_DOCDIR "share/doc/kestrel"
      CACHE PATH "Documents and the sample area (share/doc/kestrel)")
endif()
include(GNUInstallDirs)
if(NOT WIN32)
  set(KESTREL_INSTALL_WWWDIR "${CMAKE_INSTALL_DATADIR}/kestrel/www")
endif()

install(TARGETS kestrel wagtails RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(DIRECTORY www/ DESTINATION ${KESTREL_INSTALL_WWWDIR})
install(FILES README.md DESTINATION ${CMAKE_INSTALL_DOCDIR})
install(DIRECTORY examples/area DESTINATION ${CMAKE_INSTALL_DOCDIR}/examples)
install(FILES examples/KESTREL.INI
        DESTINATION ${CMAKE_INSTALL_DOCDIR}/examples)
# Publishing the pages and running every area each night: the web server
# blocks, the keeper's area list and its cron and systemd schedules.
install(FILES examples/nginx.conf examples/apache.conf examples/areas.sh
              examples/kestrel.cron examples/kestrel.service
              examples/kestrel.timer
        DESTINATION ${CMAKE_INSTALL_DOCDIR}/examples)
# The licence; a Debian package has it in its copyright file instead.
if(NOT KESTREL_DEBIAN_PACKAGE)
  install(FILES LICENSE DESTINATION ${CMAKE_INSTALL_DOCDIR})
endif()

set(KESTREL_MAN_PAGES man/kestrel.1 man/wagtails.1)
if(KESTREL_DEBIAN_PACKAGE)
  # Debian wants the manual pages and the changelog compressed with gzip -9n,
  # and the copyright file beside the documents.
  find_program(GZIP gzip REQUIRED)
  set(compressed)
  foreach(source IN LISTS KESTREL_MAN_PAGES ITEMS packaging/changelog.Debian)
    get_filename_component(name ${source} NAME)
    set(output ${CMAKE_BINARY_DIR}/packaging/${name}.gz)
    add_custom_command(OUTPUT ${output}
      COMMAND ${CMAKE_COMMAND} -DGZIP=${GZIP}
              -DINPUT=${PROJECT_SOURCE_DIR}/${source} -DOUTPUT=${output}
              -P ${PROJECT_SOURCE_DIR}/cmake/gzip_file.cmake
      DEPENDS ${source} ${PROJECT_SOURCE_DIR}/cmake/gzip_file.cmake
      VERBATIM)
    list(APPEND compressed ${output})
  endforeach()
  add_custom_target(compressed_docs ALL DEPENDS ${compressed})
  list(TRANSFORM KESTREL_MAN_PAGES REPLACE "^man/(.*)$"
       "${CMAKE_BINARY_DIR}/packaging/\\1.gz")
  install(FILES ${CMAKE_BINARY_DIR}/packaging/changelog.Debian.gz
                packaging/copyright
          DESTINATION ${CMAKE_INSTALL_DOCDIR})
endif()
if(NOT WIN32)
  install(FILES ${KESTREL_MAN_PAGES} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endif()

set(CPACK_PACKAGE_NAME kestrel)
set(CPACK_PACKAGE_VENDOR "The Kestrel Tools Team")
set(CPACK_PACKAGE_CONTACT "The Kestrel Tools Team <maintainers@kestrel-tools.org>")
set(CPACK_PACKAGE_HOMEPAGE_URL "https://kestrel-tools.org/")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "index pages and file lists for downloadable-files areas")
set(CPACK_PACKAGE_DESCRIPTION
    "Two console tools for the keeper of a file area, where each directory
holds a FILES.BBS list of its files with their descriptions.
kestrel reads a directory's FILES.BBS and writes a static HTML index page
with each file's date, size and description. wagtails lists a directory
into a new list in the FILES.BBS form, ready for the descriptions.")
set(CPACK_STRIP_FILES ON)

# The package format of each platform.
if(WIN32)
  # kestrel-VERSION-win64.zip, unpacked into one folder of that name.
  set(CPACK_GENERATOR ZIP)
  set(CPACK_SYSTEM_NAME win64)
else()
  set(CPACK_GENERATOR DEB)
endif()

# The Debian package: kestrel_VERSION-1_ARCH.deb, its library dependencies
# found by dpkg-shlibdeps.
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

include(CPack)

# A test that installs into a throw-away prefix and finds everything there.
if(KESTREL_BUILD_TESTS AND NOT WIN32)
  add_test(NAME install_layout
    COMMAND ${CMAKE_COMMAND} -DBUILD=${CMAKE_BINARY_DIR}
            -DPREFIX=${CMAKE_BINARY_DIR}/install_layout_test
            -P ${PROJECT_SOURCE_DIR}/cmake/check_install.cmake)
endif()
