# `make package`: the Debian package, made by CPack from the same install rules as
# `make install`, under /usr. Its run-time dependencies are read from the binaries
# (dpkg-shlibdeps); what they load at run time by name is listed here.

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tamsel)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_PACKAGE_CONTACT "${TAMSEL_PACKAGE_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${TAMSEL_PACKAGE_MAINTAINER}")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION education)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "interactive English course for Spanish speakers")
# The synopsis above comes first; CPack indents these lines and marks the empty one.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "Tamsel plays interactive English courses made for Spanish-speaking learners:
a home map leading to the lessons, picture carousels that follow a sound
track, videos with English and Spanish subtitles, conversations in which the
learner records and plays back his own voice, printable cards, a bilingual
glossary, an explorer of the whole course and a scored test.

A demo course is installed with the player, and the course tools build
new courses from text sources.")

set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Sound, video and recording go through GStreamer, whose plugins are loaded by name: WAV
# and AVI parsing, the PulseAudio sink and source (-good, -pulseaudio), audio
# conversion and playbin (-base), Cinepak, Indeo, MS Video 1 and MPEG-4 decoders (-libav),
# MPEG-1 and the rest of the course media (-bad). The pitch library, the stemmer and the
# PostgreSQL client are opened by name too, at the first intonation drawn, the first word
# looked up and the first connection.
set(CPACK_DEBIAN_PACKAGE_DEPENDS
  "gstreamer1.0-plugins-base, gstreamer1.0-plugins-good, gstreamer1.0-plugins-bad, gstreamer1.0-libav, gstreamer1.0-pulseaudio, libaubio5, libstemmer0d, libpq5, qt6-translations-l10n")
# The course compiler generates speech, sounds and videos with these.
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "espeak-ng, sox, ffmpeg")

set(CPACK_STRIP_FILES ON)
# Lintian wants directories 0755 whatever the umask of the person building.
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
  OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

include(CPack)
