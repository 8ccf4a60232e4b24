#!/usr/bin/env bash
# On a fresh Debian machine, as root: installs the package with apt-get and
# checks what a user of it meets: its dependencies, the usage texts, the manual pages, and a
# program outside the tree built against the library through pkg-config and
# through the CMake package.
#   tests/package/check_package.sh tactus_<version>_<arch>.deb
set -euo pipefail
source_dir=$(realpath "$(dirname "$0")/../..")
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
apt-get install -y -qq --no-install-recommends "$(realpath "$1")" >/dev/null
apt-get install -y -qq --no-install-recommends man-db g++ pkg-config cmake ninja-build >/dev/null
# The system's MIDI on Linux is alsa-lib's, not RtMidi's.
[[ "$(dpkg-query -W -f='${Depends}' tactus)" != *rtmidi* ]]

status=0
tactus --help 2>"/tmp/usage" || status=$?
[ "$status" -eq 1 ]
grep -q '^Usage:  tactus \[ --out <device id> \]' /tmp/usage
tactus-ports >/dev/null
man tactus 2>/dev/null | grep -q 'play a Standard MIDI File to MIDI output ports'
man tactus-ports 2>/dev/null | grep -q 'list the MIDI output devices'
tactus-info --help | grep -q '^Usage:  tactus-info \[ --check \]'
man tactus-info 2>/dev/null | grep -q 'describe Standard MIDI Files'

work=$(mktemp -d)
cp "$source_dir/examples/song_info.cpp" "$source_dir/examples/demo_song.cpp" "$work/"
g++ -std=c++20 -o "$work/demo_song" "$work/demo_song.cpp" $(pkg-config --cflags --libs tactus)
cat >"$work/CMakeLists.txt" <<'CMAKE'
cmake_minimum_required(VERSION 3.25)
project(consumer CXX)
find_package(tactus CONFIG REQUIRED)
add_executable(song_info song_info.cpp)
target_link_libraries(song_info PRIVATE tactus::tactus)
CMAKE
cmake -S "$work" -B "$work/build" -G Ninja >/dev/null
cmake --build "$work/build" >/dev/null
"$work/demo_song" "$work/song.mid" >/dev/null
"$work/build/song_info" "$work/song.mid" | grep -q tracks
tactus-info "$work/song.mid" | grep -q '^tracks: 5$'
echo "package: installed; the three programs, manual pages, pkg-config and CMake package work"
