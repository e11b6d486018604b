# The Debian package (`cpack -G DEB`, which tools/package.sh runs on a
# release build).
#
# dpkg-shlibdeps finds what the programs link (Qt, libdvdread, libcurl, the
# C++ runtime). The media libraries and SDL are opened at run time, so
# nothing links them: their packages are named here, with the major
# versions of the headers the engine was built against, since a library of
# another major version is refused at load time. (libavdevice is bound but
# never loaded: neither the converter nor the player needs it.)
set(media_packages)
foreach(library avcodec avfilter avformat avutil swresample swscale)
  set(version "${FFMPEG_HEADERS_lib${library}_VERSION}")
  if(NOT version MATCHES "^([0-9]+)\\.")
    message(FATAL_ERROR "No version of lib${library} from pkg-config (got \"${version}\")")
  endif()
  list(APPEND media_packages "lib${library}${CMAKE_MATCH_1}")
endforeach()
list(APPEND media_packages libsdl2-2.0-0 qt6-qpa-plugins)
list(JOIN media_packages ", " media_depends)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME vidrelo)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR Quarnix)
set(CPACK_PACKAGE_CONTACT "Vidrelo developers <vidrelo@quarnix.example>")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES TRUE)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "DVD converter: video DVDs into files that play everywhere")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "Vidrelo converts the titles of a video DVD (a disc, a DVD folder or an ISO
image) into video files for computers, phones, tablets, TVs and game
consoles, from a catalogue of device and file formats. Titles can be
cropped, trimmed and adjusted with live previews, and converted one file
each or merged into one.
.
The package holds the desktop program, vidrelo, and the command-line
converter, vidrelo-cli, for scripts. Encrypted discs need libdvdcss.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION video)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE https://www.quarnix.example/vidrelo.htm)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The private DVD plug-in is not a library other packages link.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ${CPACK_PACKAGING_INSTALL_PREFIX}/${VIDRELO_PROGRAM_DIR}/LibAV)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "${media_depends}")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS libdvdcss2)
# Directories belong to root and are not writable by others, whatever the
# umask of whoever built the package.
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
  OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
include(CPack)
