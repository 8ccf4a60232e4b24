# The messages of the built tactus program that need no MIDI port: each
# test checks the exit status and both console streams byte for byte.
if(WIN32 OR NOT TARGET tactus_player)
  return()
endif()

set(expect_run ${CMAKE_CURRENT_SOURCE_DIR}/cli/expect_run.sh)
set(tactus_usage "Usage:  @PROGRAM@ [ --out <device id> ] [ --track-out <n> <device id> ] ... [ --from ( tick:<tick> | beat:<beat> | mb:<m>:<b> | mbt:<m>:<b>:<t> | time:<time> | hms:<h>:<m>:<s> | hmsf:<h>:<m>:<s>:<f> | marker:<marker> ) ] [ --to ( tick:<tick> | beat:<beat> | mb:<m>:<b> | mbt:<m>:<b>:<t> | time:<time> | hms:<h>:<m>:<s> | hmsf:<h>:<m>:<s>:<f> | marker:<marker> ) ] [ ( --solo-track <n> ) ... | ( --mute-track <n> ) ... ] [ --extra-time <seconds> ] [ -- ] <filename.mid>\\n")

# A test name for an option word: "--out" gives "dash_dash_out".
function(tactus_word_name word variable)
  string(REGEX REPLACE "^--" "dash_dash_" word "${word}")
  string(REGEX REPLACE "^-" "dash_" word "${word}")
  string(REPLACE "/" "slash_" word "${word}")
  string(REPLACE "?" "question" word "${word}")
  string(REPLACE "-" "_" word "${word}")
  set(${variable} "${word}" PARENT_SCOPE)
endfunction()

# tactus_cli_test(NAME STATUS STDOUT STDERR [NO_DEVICES] ARGS arguments...)
function(tactus_cli_test name status stdout stderr)
  cmake_parse_arguments(PARSE_ARGV 4 cli "NO_DEVICES" "" "ARGS")
  set(needs)
  if(cli_NO_DEVICES)
    if(NOT TARGET tactus-ports)
      return()
    endif()
    set(needs --needs-no-devices $<TARGET_FILE:tactus-ports>)
  endif()
  add_test(NAME cli.${name}
    COMMAND bash ${expect_run} ${needs} ${status} "${stdout}" "${stderr}" -- $<TARGET_FILE:tactus_player> ${cli_ARGS})
  set_tests_properties(cli.${name} PROPERTIES SKIP_RETURN_CODE 77 TIMEOUT 30)
endfunction()

# The usage text, on standard error with status 1.
foreach(help --help -h /help /h /?)
  tactus_word_name("${help}" help_name)
  tactus_cli_test(usage_for_${help_name} 1 "" "${tactus_usage}" ARGS ${help})
  tactus_cli_test(usage_for_${help_name}_among_valid_arguments 1 "" "${tactus_usage}"
    ARGS --from tick:0 --extra-time 1 @MIDI@ ${help})
endforeach()
tactus_cli_test(usage_without_arguments 1 "" "${tactus_usage}")
tactus_cli_test(usage_without_a_file_name 1 "" "${tactus_usage}" ARGS --extra-time 2)
tactus_cli_test(usage_for_two_file_names 1 "" "${tactus_usage}" ARGS @MIDI@ @MIDI@)
tactus_cli_test(usage_for_an_unknown_option 1 "" "${tactus_usage}" ARGS @MIDI@ --loop)
tactus_cli_test(usage_for_a_file_name_after_two_dashes_and_another 1 "" "${tactus_usage}" ARGS a.mid -- b.mid)
foreach(option --out --track-out --from --to --solo-track --mute-track --extra-time)
  tactus_word_name("${option}" option_name)
  tactus_cli_test(usage_for_${option_name}_without_its_argument 1 "" "${tactus_usage}" ARGS @MIDI@ ${option})
endforeach()
tactus_cli_test(usage_for_track_out_without_its_device 1 "" "${tactus_usage}" ARGS @MIDI@ --track-out 1)
tactus_cli_test(usage_for_a_negative_track_out_track 1 "" "${tactus_usage}" ARGS --track-out -1 0 @MIDI@)

# After "--" every argument is a file name.
tactus_cli_test(help_word_after_two_dashes_is_a_file_name 1 "" "Error:  Cannot open \"--help\".\\n"
  ARGS -- --help)
tactus_cli_test(second_two_dashes_is_a_file_name 1 "" "Error:  Cannot open \"--\".\\n" ARGS -- --)

# Files that cannot be loaded.
tactus_cli_test(missing_file 1 "" "Error:  Cannot open \"no/such/song.mid\".\\n" ARGS no/such/song.mid)
tactus_cli_test(directory 1 "" "Error:  Cannot open \"@DIR@\".\\n" ARGS @DIR@)
tactus_cli_test(file_that_is_no_midi_file 1 "" "Error:  Cannot open \"@NOT_MIDI@\".\\n" ARGS @NOT_MIDI@)

# Devices: unknown names and -1 are reported on standard output.
tactus_cli_test(unknown_device_name 1 "Error:  No such MIDI output device \"no such device\".\\n" ""
  ARGS --out "no such device" @MIDI@)
tactus_cli_test(device_minus_one 1 "Error:  No such MIDI output device \"-1\".\\n" "" ARGS --out -1 @MIDI@)
tactus_cli_test(unknown_track_out_device 1 "Error:  No such MIDI output device \"nowhere\".\\n" ""
  ARGS --track-out 1 nowhere @MIDI@)
tactus_cli_test(first_out_fails_whatever_the_second 1 "Error:  No such MIDI output device \"nowhere\".\\n" ""
  ARGS --out nowhere --out 0 @MIDI@)
tactus_cli_test(device_number_without_a_device 1 "" "Error:  Cannot open MIDI output port #2147483647.\\n"
  ARGS --track-out 0 2147483647 @MIDI@)
tactus_cli_test(device_number_beyond_32_bits 1 "" "Error:  Cannot open MIDI output port #2147483647.\\n"
  ARGS --out 99999999999 @MIDI@)
tactus_cli_test(out_device_is_opened_after_loading 1 "" "Error:  Cannot open \"no/such/song.mid\".\\n"
  ARGS --out 2147483647 no/such/song.mid)

# Without any MIDI output device.
tactus_cli_test(no_default_device 1 "" "Error:  Cannot open default MIDI output port.\\n" NO_DEVICES ARGS @MIDI@)
tactus_cli_test(no_device_zero 1 "" "Error:  Cannot open MIDI output port #0.\\n" NO_DEVICES ARGS --out 0 @MIDI@)
tactus_cli_test(no_device_for_a_track 1 "" "Error:  Cannot open MIDI output port #0.\\n" NO_DEVICES
  ARGS --track-out 3 0 no/such/song.mid)
