# The Debian package: cpack -G DEB in the build folder (scripts/package) writes
# quenzel_<version>_<arch>.deb there. Everything installed goes in, under /usr.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quenzel)
set(CPACK_PACKAGE_VENDOR Harrowfield)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(QUENZEL_PACKAGE_MAINTAINER "Harrowfield <quenzel@harrowfield.example>"
  CACHE STRING "Maintainer of the Debian package (name and e-mail address)")
set(CPACK_PACKAGE_CONTACT ${QUENZEL_PACKAGE_MAINTAINER})
set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${QUENZEL_PACKAGE_MAINTAINER})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
  "video converter: open, trim and convert a video to AVI, WMV, MKV or ASF")
# The summary is the synopsis; this is the text below it (CPack indents its lines and turns
# the empty one into the paragraph mark).
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
  "Quenzel converts one video file into a video file of another format. Open a
video, watch and seek it in the player, mark the start and end of the part you
want, pick the output (AVI, WMV, MKV or ASF; size; frame rate; fit or stretch;
compressors or Windows Media bitrates) and convert. quenzel-convert does the
same from the command line.

Quenzel plays and writes through GStreamer: what the installed GStreamer
plugins can play, it can open.")
set(CPACK_DEBIAN_PACKAGE_SECTION video)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
# The libraries the programs link come from dpkg-shlibdeps; the codecs and the Qt platform
# plugins are loaded at run time and must be named.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS
  "gstreamer1.0-plugins-base, gstreamer1.0-plugins-good, gstreamer1.0-plugins-bad, gstreamer1.0-plugins-ugly, gstreamer1.0-libav, qt6-qpa-plugins")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS
  "gstreamer1.0-pulseaudio | gstreamer1.0-pipewire | gstreamer1.0-alsa, gstreamer1.0-x, xdg-utils")
include(CPack)
