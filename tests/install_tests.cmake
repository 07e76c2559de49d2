# The manual pages render without a warning, and an install into an empty
# prefix holds the tool and both pages.

# groff OPTIONS... -man -ww -z PAGE prints nothing and succeeds. The Japanese
# page is read as UTF-8 (-K) with groff's Japanese line breaking (-mja), as
# man-db does for pages under man/ja, into UTF-8 text (-T).
function(add_man_page_test name page)
  add_test(NAME ${name}
    COMMAND sh -c [[
command -v groff >/dev/null || { echo "groff is not installed (apt-get install groff-base)"; exit 77; }
page=$1
shift
warnings=$(groff "$@" -man -ww -z "$page" 2>&1)
status=$?
printf '%s\n' "$warnings"
[ "$status" -eq 0 ] && [ -z "$warnings" ]
]] groff-check ${page} ${ARGN})
  set_tests_properties(${name} PROPERTIES SKIP_RETURN_CODE 77)
endfunction()
add_man_page_test(install.man_page_renders ${PROJECT_SOURCE_DIR}/doc/pairtone.1)
add_man_page_test(install.man_page_ja_renders ${PROJECT_SOURCE_DIR}/doc/ja/pairtone.1
  -Kutf8 -mja -Tutf8)

add_test(NAME install.into_prefix
  COMMAND sh -c [[
rm -rf "$1" && "$0" --install "$2" --prefix "$1" &&
[ -x "$1/bin/pairtone" ] && [ -f "$1/share/man/man1/pairtone.1" ] &&
[ -f "$1/share/man/ja/man1/pairtone.1" ]
]] ${CMAKE_COMMAND} ${CMAKE_CURRENT_BINARY_DIR}/install-prefix ${CMAKE_BINARY_DIR})
