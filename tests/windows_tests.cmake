# The end-to-end tests once more, against the Windows build under wine.
#
#   cmake -S . -B build-win -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake
#   cmake --build build-win -j2 --target pairtone
#   cmake -S . -B build -DPAIRTONE_WINDOWS_EXE=$PWD/build-win/pairtone.exe
#   cmake --build build -j2
#   ctest --test-dir build -L windows --output-on-failure
#
# The same pairtone_tests binary runs each test with $PAIRTONE_BIN set to the
# .exe and $PAIRTONE_EMULATOR to wine; the tests are named "windows.<test>"
# and labelled "windows" ("ctest -LE windows" runs the native ones alone).
# The filter leaves out the unit tests, which call the native code directly.
set(PAIRTONE_WINDOWS_EXE "" CACHE FILEPATH
  "pairtone.exe to run the end-to-end tests against under wine (empty: no Windows tests)")
set(PAIRTONE_WINDOWS_TEST_FILTER "-JoinedLength.*:FileNameForm.*" CACHE STRING
  "gtest filter choosing the tests that run against pairtone.exe")

if(NOT PAIRTONE_WINDOWS_EXE)
  return()
endif()
find_program(WINE_PROGRAM wine REQUIRED)
find_program(WINESERVER_PROGRAM wineserver REQUIRED)

# wine gets a prefix of its own in the build tree and a Japanese UTF-8 locale:
# the system code page is 932 as on a Japanese Windows, and the tests' UTF-8
# file names reach the tool's UTF-16 command line intact.
set(WINE_DIR ${CMAKE_BINARY_DIR}/wine)
set(WINE_ENV
  WINEPREFIX=${WINE_DIR}/prefix
  WINEDEBUG=-all
  WINEDLLOVERRIDES=mscoree,mshtml=
  LOCPATH=${WINE_DIR}/locale
  LC_ALL=ja_JP.UTF-8)

# Makes the locale and the prefix and starts wine's server before the first
# test; stops the server after the last.
add_test(NAME windows.setup COMMAND sh ${CMAKE_CURRENT_SOURCE_DIR}/wine_setup.sh
  ${WINE_PROGRAM} ${WINESERVER_PROGRAM} ${WINE_DIR})
add_test(NAME windows.cleanup COMMAND ${WINESERVER_PROGRAM} -k)
set_tests_properties(windows.setup PROPERTIES
  ENVIRONMENT "${WINE_ENV}" FIXTURES_SETUP wine LABELS windows)
set_tests_properties(windows.cleanup PROPERTIES
  ENVIRONMENT "${WINE_ENV}" FIXTURES_CLEANUP wine LABELS windows)

gtest_discover_tests(pairtone_tests
  TEST_PREFIX "windows."
  TEST_FILTER "${PAIRTONE_WINDOWS_TEST_FILTER}"
  TEST_LIST pairtone_windows_tests
  DISCOVERY_TIMEOUT 30
  DISCOVERY_MODE PRE_TEST)

# gtest_discover_tests flattens a list given as a property value, so the
# environment of the discovered tests is set by a file ctest reads after them.
set(windows_test_env
  PAIRTONE_BIN=${PAIRTONE_WINDOWS_EXE} PAIRTONE_EMULATOR=${WINE_PROGRAM} ${WINE_ENV}
  PAIRTONE_SKIP_NOTE_PREFIX=${SKIP_NOTES}/windows.)
file(WRITE ${CMAKE_CURRENT_BINARY_DIR}/windows_tests_env.cmake
  "if(pairtone_windows_tests)
  set_tests_properties(\${pairtone_windows_tests} PROPERTIES
    LABELS windows FIXTURES_REQUIRED wine ENVIRONMENT [==[${windows_test_env}]==])
endif()
")
set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES
  ${CMAKE_CURRENT_BINARY_DIR}/windows_tests_env.cmake)
