# Lists the notes skipped tests left in NOTES_DIR, one file a test named after
# it, holding the reason. ctest runs this after the tests (CTestCustom.cmake),
# since it shows the output of failed tests only.
#
#   cmake -DNOTES_DIR=<dir> -P skip_notes.cmake
file(GLOB notes "${NOTES_DIR}/*")
if(NOT notes)
  return()
endif()
message("Skipped tests and why:")
foreach(note IN LISTS notes)
  get_filename_component(test "${note}" NAME)
  file(READ "${note}" reason)
  string(STRIP "${reason}" reason)
  string(REPLACE "\n" "\n    " reason "${reason}")
  message("  ${test}: ${reason}")
endforeach()
