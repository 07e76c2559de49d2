# The manual page renders without a warning, and an install into an empty
# prefix holds the tool and the page.
add_test(NAME install.man_page_renders
  COMMAND sh -c [[
if ! command -v groff >/dev/null; then
  echo "groff is not installed (apt-get install groff-base)" | tee "$1"
  exit 77
fi
warnings=$(groff -man -ww -z "$0" 2>&1)
status=$?
printf '%s\n' "$warnings"
[ "$status" -eq 0 ] && [ -z "$warnings" ]
]] ${PROJECT_SOURCE_DIR}/doc/pairtone.1 ${SKIP_NOTES}/install.man_page_renders)
set_tests_properties(install.man_page_renders PROPERTIES SKIP_RETURN_CODE 77)

add_test(NAME install.into_prefix
  COMMAND sh -c [[
rm -rf "$1" && "$0" --install "$2" --prefix "$1" &&
[ -x "$1/bin/pairtone" ] && [ -f "$1/share/man/man1/pairtone.1" ]
]] ${CMAKE_COMMAND} ${CMAKE_CURRENT_BINARY_DIR}/install-prefix ${CMAKE_BINARY_DIR})
