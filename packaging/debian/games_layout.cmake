# Run by CPack on the package's files before it packs them: Debian keeps
# games in /usr/games, so the card moves there, while the command-line tools
# stay in /usr/bin. A plain installation keeps every program in bin/, where
# other systems look for it.
set(_usr "${CPACK_TEMPORARY_DIRECTORY}${CPACK_PACKAGING_INSTALL_PREFIX}")
file(MAKE_DIRECTORY "${_usr}/games")
file(RENAME "${_usr}/bin/yulecard" "${_usr}/games/yulecard")
