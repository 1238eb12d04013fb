# The Debian package: `make package` (or `cmake --build build --target
# package`) writes yulecard_<version>_<arch>.deb into the build folder from
# the installation rules, with the runtime dependencies read off the
# programs by dpkg-shlibdeps (package dpkg-dev).

# The release date as a Debian changelog writes it: "Mon, 07 Dec 2026
# 00:00:00 +0000" from 2026-12-07 (the weekday by Sakamoto's rule).
function(yule_changelog_date iso out)
  if(NOT iso MATCHES "^([0-9][0-9][0-9][0-9])-([0-9][0-9])-([0-9][0-9])$")
    message(FATAL_ERROR "YULECARD_RELEASE_DATE is YYYY-MM-DD, not '${iso}'")
  endif()
  set(_y "${CMAKE_MATCH_1}")
  set(_mm "${CMAKE_MATCH_2}")
  set(_dd "${CMAKE_MATCH_3}")
  # Without the leading zero: math() would not read "08" as eight.
  string(REGEX REPLACE "^0" "" _m "${_mm}")
  string(REGEX REPLACE "^0" "" _d "${_dd}")
  set(_offsets 0 3 2 5 0 3 5 1 4 6 2 4)
  set(_names Jan Feb Mar Apr May Jun Jul Aug Sep Oct Nov Dec)
  set(_days Sun Mon Tue Wed Thu Fri Sat)
  math(EXPR _i "${_m} - 1")
  list(GET _offsets ${_i} _t)
  list(GET _names ${_i} _month)
  set(_yy ${_y})
  if(_m LESS 3)
    math(EXPR _yy "${_y} - 1")
  endif()
  math(EXPR _w "(${_yy} + ${_yy} / 4 - ${_yy} / 100 + ${_yy} / 400 + ${_t} + ${_d}) % 7")
  list(GET _days ${_w} _weekday)
  set(${out} "${_weekday}, ${_dd} ${_month} ${_y} 00:00:00 +0000" PARENT_SCOPE)
endfunction()

yule_changelog_date("${YULECARD_RELEASE_DATE}" YULECARD_RELEASE_DATE_RFC2822)
configure_file("${_yule_packaging}/debian/changelog.in" "${_yule_generated}/changelog" @ONLY)
add_custom_command(OUTPUT "${_yule_generated}/changelog.gz"
                   COMMAND gzip -9nkf "${_yule_generated}/changelog"
                   DEPENDS "${_yule_generated}/changelog"
                   COMMENT "Compressing the changelog" VERBATIM)
add_custom_target(yule_changelog ALL DEPENDS "${_yule_generated}/changelog.gz")
install(FILES "${_yule_packaging}/debian/copyright" "${_yule_generated}/changelog.gz"
        DESTINATION ${CMAKE_INSTALL_DOCDIR})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME yulecard)
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_VENDOR "the yulecard team")
set(CPACK_PACKAGE_CONTACT "${YULECARD_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "animated greeting card with its own music player")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "A greeting card for the winter holidays that plays on the whole screen: a
snowy night with falling snow, an open palm that slides in, and a hand that
writes a greeting onto it, letter by letter and page after page, under a
holly frame, while a carol plays from the card's own XM module player.
.
The package also holds xmrender, which plays any XM module into a WAV file,
and yulecard-shot, which writes frames of the card as pictures.")
if(TARGET yulecard-record)
  string(APPEND CPACK_DEBIAN_PACKAGE_DESCRIPTION "
yulecard-record records the card, picture and music, as a video to share.")
endif()
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
if(YULECARD_HOMEPAGE)
  set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "${YULECARD_HOMEPAGE}")
endif()
# Debian ships programs without their debugging symbols.
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_PRE_BUILD_SCRIPTS "${_yule_packaging}/debian/games_layout.cmake")
include(CPack)
