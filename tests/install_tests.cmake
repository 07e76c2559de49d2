# The manual pages render without a warning, an install into an empty prefix
# holds the tool and both pages, and the Debian package holds the same.

# groff OPTIONS... -man -ww -z PAGE prints nothing and succeeds. The Japanese
# page is read as UTF-8 (-K) with groff's Japanese line breaking (-mja), as
# man-db does for pages under man/ja, into UTF-8 text (-T).
function(add_man_page_test name page)
  add_test(NAME ${name}
    COMMAND sh -c [[
note=$1
page=$2
shift 2
if ! command -v groff >/dev/null; then
  echo "groff is not installed (apt-get install groff-base)" | tee "$note"
  exit 77
fi
warnings=$(groff "$@" -man -ww -z "$page" 2>&1)
status=$?
printf '%s\n' "$warnings"
[ "$status" -eq 0 ] && [ -z "$warnings" ]
]] groff-check ${SKIP_NOTES}/${name} ${page} ${ARGN})
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

# cpack makes a .deb of section sound holding exactly the tool and the two
# pages, the tool executable, depending on the C library.
add_test(NAME install.debian_package
  COMMAND sh -c [[
if ! command -v dpkg-deb >/dev/null; then
  echo "dpkg-deb is not installed (Debian's dpkg)" | tee "$3"
  exit 77
fi
rm -rf "$1" && mkdir -p "$1" || exit 1
"$0" --config "$2/CPackConfig.cmake" -G DEB -B "$1" >"$1/cpack.log" 2>&1 ||
  { cat "$1/cpack.log"; exit 1; }
set -- "$1"/*.deb
[ $# -eq 1 ] && [ -f "$1" ] || { echo "expected one .deb, found: $*"; exit 1; }
dpkg-deb -I "$1"
dpkg-deb -c "$1"
files=$(dpkg-deb -c "$1" | awk '$6 !~ /\/$/ { print $1, $6 }' | LC_ALL=C sort)
expected='-rw-r--r-- ./usr/share/man/ja/man1/pairtone.1
-rw-r--r-- ./usr/share/man/man1/pairtone.1
-rwxr-xr-x ./usr/bin/pairtone'
[ "$files" = "$expected" ] || { printf 'files:\n%s\nexpected:\n%s\n' "$files" "$expected"; exit 1; }
[ "$(dpkg-deb -f "$1" Package)" = pairtone ] && [ "$(dpkg-deb -f "$1" Section)" = sound ] &&
  dpkg-deb -f "$1" Depends | grep -Eq '(^|, )libc6( |,|$)'
]] ${CMAKE_CPACK_COMMAND} ${CMAKE_CURRENT_BINARY_DIR}/package ${CMAKE_BINARY_DIR}
  ${SKIP_NOTES}/install.debian_package)
set_tests_properties(install.debian_package PROPERTIES SKIP_RETURN_CODE 77)
