# Installation in the places a Linux desktop looks: the programs, the
# desktop entry, the icon at every size it was drawn, the software centre's
# metadata, the manual pages and the licences.
#   cmake --install build --prefix DIR      (or: make install PREFIX=DIR)
include(GNUInstallDirs)

set(_yule_packaging "${CMAKE_SOURCE_DIR}/packaging")
set(_yule_generated "${CMAKE_BINARY_DIR}/packaging")

# Each program that this build makes: the recorder exists only where
# FFmpeg's libraries were found, and a build for another platform may make
# fewer tools.
set(YULECARD_PROVIDES_BINARIES "")
foreach(_program yulecard xmrender yulecard-shot yulecard-record yulecard-pack)
  if(TARGET ${_program})
    install(TARGETS ${_program} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
    string(APPEND YULECARD_PROVIDES_BINARIES "    <binary>${_program}</binary>\n")
  endif()
endforeach()

install(FILES "${_yule_packaging}/yulecard.desktop" DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)

# resources/icons/yulecard-N.png, drawn by tools/art/make_art.py, is the
# N x N icon of the theme every desktop falls back to.
file(GLOB _yule_icons CONFIGURE_DEPENDS "${CMAKE_SOURCE_DIR}/resources/icons/yulecard-*.png")
foreach(_icon IN LISTS _yule_icons)
  string(REGEX REPLACE ".*/yulecard-([0-9]+)\\.png$" "\\1" _size "${_icon}")
  install(FILES "${_icon}" DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${_size}x${_size}/apps
          RENAME yulecard.png)
endforeach()

if(YULECARD_HOMEPAGE)
  set(YULECARD_HOMEPAGE_ELEMENT "  <url type=\"homepage\">${YULECARD_HOMEPAGE}</url>\n")
else()
  set(YULECARD_HOMEPAGE_ELEMENT "")
endif()
configure_file("${_yule_packaging}/yulecard.metainfo.xml.in"
               "${_yule_generated}/${YULECARD_APP_ID}.metainfo.xml" @ONLY)
install(FILES "${_yule_generated}/${YULECARD_APP_ID}.metainfo.xml" DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

# Manual pages carry the version and its date, and are installed
# compressed, as man-db reads them and Debian requires.
set(_yule_man_pages yulecard.6 xmrender.1 yulecard-shot.1 yulecard-pack.1)
if(TARGET yulecard-record)
  list(APPEND _yule_man_pages yulecard-record.1)
endif()
set(_yule_man_gz "")
foreach(_page IN LISTS _yule_man_pages)
  configure_file("${_yule_packaging}/man/${_page}.in" "${_yule_generated}/man/${_page}" @ONLY)
  add_custom_command(OUTPUT "${_yule_generated}/man/${_page}.gz"
                     COMMAND gzip -9nkf "${_yule_generated}/man/${_page}"
                     DEPENDS "${_yule_generated}/man/${_page}"
                     COMMENT "Compressing the manual page ${_page}" VERBATIM)
  string(REGEX REPLACE ".*\\.([0-9])$" "\\1" _section "${_page}")
  install(FILES "${_yule_generated}/man/${_page}.gz" DESTINATION ${CMAKE_INSTALL_MANDIR}/man${_section})
  list(APPEND _yule_man_gz "${_yule_generated}/man/${_page}.gz")
endforeach()
add_custom_target(yule_manual_pages ALL DEPENDS ${_yule_man_gz})

# The greeting file's one description, which the card's --help and manual
# page point to, and the examples it names.
install(FILES "${CMAKE_SOURCE_DIR}/LICENSE" "${CMAKE_SOURCE_DIR}/resources/FONT-LICENSE-DejaVu.txt"
        "${CMAKE_SOURCE_DIR}/docs/greeting-format.md" "${CMAKE_SOURCE_DIR}/docs/greeting-example.txt"
        "${CMAKE_SOURCE_DIR}/docs/greeting-polish.txt" "${CMAKE_SOURCE_DIR}/docs/greeting-greek.txt"
        "${CMAKE_SOURCE_DIR}/docs/greeting-russian.txt"
        DESTINATION ${CMAKE_INSTALL_DOCDIR})

# The empty one-file card that yulecard-pack fills in, from the web build
# (make web, or the tests' build of it in BUILD/web): the desktop build does
# not need emscripten, so the page is installed where it has been built.
set(YULE_ONE_FILE_PAGE "${CMAKE_BINARY_DIR}/web/yulecard.html" CACHE FILEPATH
    "The web build's yulecard.html, installed for yulecard-pack")
install(FILES "${YULE_ONE_FILE_PAGE}" DESTINATION ${CMAKE_INSTALL_DATADIR}/yulecard OPTIONAL)
