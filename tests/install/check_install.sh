#!/usr/bin/env bash
# Installs the library into a scratch prefix and builds examples/song_info.cpp
# against it twice: through pkg-config and through the CMake package.
set -euo pipefail
source_dir=$1
build_dir=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

cmake --install "$build_dir" --prefix "$work/prefix" --component library >/dev/null
test -f "$work/prefix/include/tactus/tactus.h"

libdir=$(dirname "$(find "$work/prefix" -name tactus.pc)")
PKG_CONFIG_PATH=$libdir g++ -std=c++20 -o "$work/song_info_pc" "$source_dir/examples/song_info.cpp" \
  $(PKG_CONFIG_PATH=$libdir pkg-config --cflags --libs tactus)

mkdir "$work/consumer"
cp "$source_dir/examples/song_info.cpp" "$work/consumer/"
cat > "$work/consumer/CMakeLists.txt" <<'CMAKE'
cmake_minimum_required(VERSION 3.25)
project(consumer CXX)
find_package(tactus CONFIG REQUIRED)
add_executable(song_info song_info.cpp)
target_link_libraries(song_info PRIVATE tactus::tactus)
CMAKE
cmake -S "$work/consumer" -B "$work/consumer/build" -G Ninja -DCMAKE_PREFIX_PATH="$work/prefix" >/dev/null
cmake --build "$work/consumer/build" >/dev/null

# Both programs read a file the demo song program writes.
"$build_dir/examples/demo_song" "$work/song.mid" >/dev/null
"$work/song_info_pc" "$work/song.mid" | grep -q "tracks"
"$work/consumer/build/song_info" "$work/song.mid" | grep -q "tracks"
