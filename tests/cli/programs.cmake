# The built tactus once: main hands the command line and both console
# streams to the player. The messages themselves are checked in-process
# (player/run_test.cpp), the real backends in e2e/.
if(WIN32 OR NOT TARGET tactus_player)
  return()
endif()
add_test(NAME cli.usage COMMAND sh -c [=[usage=$("$0" --help 2>&1 >/dev/null); test $? = 1 && test "${usage%% \[ --out*}" = "Usage:  $0"]=]
  $<TARGET_FILE:tactus_player>)
add_subdirectory(e2e)
