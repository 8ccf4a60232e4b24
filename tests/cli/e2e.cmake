# The end-to-end tests have a folder of their own: besides the test program
# they build the JACK capture client that the tests record with.
add_subdirectory(e2e)
