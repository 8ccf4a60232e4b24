# Files the built tactus cannot load, besides those of player_messages.cmake:
# each gives "Cannot open" on standard error with status 1, before any MIDI
# port is needed.
if(WIN32 OR NOT TARGET tactus_player)
  return()
endif()

foreach(kind empty header_cut unreadable dev_zero)
  add_test(NAME cli.bad_file_${kind}
    COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/cli/bad_file.sh $<TARGET_FILE:tactus_player> ${kind})
  set_tests_properties(cli.bad_file_${kind} PROPERTIES SKIP_RETURN_CODE 77 TIMEOUT 30)
endforeach()
