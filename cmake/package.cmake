# A Debian package of the programs, their manual pages and the library with
# its headers, pkg-config file and CMake package: cpack -G DEB in the build
# folder (scripts/package does it all). The dependencies are found by
# dpkg-shlibdeps from the libraries that the programs link against.
set(CPACK_PACKAGE_NAME tactus)
set(CPACK_PACKAGE_VENDOR "tactus")
set(CPACK_PACKAGE_CONTACT "tactus developers <tactus@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Standard MIDI File library and real-time MIDI file player")
string(CONCAT CPACK_PACKAGE_DESCRIPTION
  "tactus plays a Standard MIDI File in real time to MIDI output ports (ALSA\n"
  "sequencer and JACK), with per-track routing, solo and mute, and a playback\n"
  "range in eight notations; tactus-ports lists the output ports, tactus-info\n"
  "describes MIDI files and what the reader went past in them. The package\n"
  "also holds the tactus C++ library for reading, editing and writing MIDI\n"
  "files, with its headers, a pkg-config file and a CMake package.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "fluidsynth, timgm6mb-soundfont, pkg-config")
set(CPACK_GENERATOR DEB)
include(CPack)
