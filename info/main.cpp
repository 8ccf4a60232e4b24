// tactus-info: describes Standard MIDI Files and what the reader went past
// in them.
#include <cstdio>

#include "info/info.h"

int main(int argc, char** argv) { return tactus::info::run_info(argc, argv, stdout, stderr); }
