# The built tactus once, for main's hand-over of the arguments and streams;
# the messages are checked in-process, the real backends in e2e/.
if(WIN32 OR NOT TARGET tactus_player)
  return()
endif()
add_test(NAME cli.usage COMMAND sh -c [=[usage=$("$0" --help 2>&1 >/dev/null); test $? = 1 && test "${usage%% \[ --out*}" = "Usage:  $0"]=]
  $<TARGET_FILE:tactus_player>)
add_subdirectory(e2e)
