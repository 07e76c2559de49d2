#!/bin/sh
# Prepares what the Windows tests run in: usage: wine_setup.sh WINE WINESERVER DIR.
# DIR/locale gets ja_JP.UTF-8 (so wine's ANSI code page is 932), and the wine
# prefix named by $WINEPREFIX is made here, so that no test pays the first
# start or sees wine's notes about creating it. Its wineserver is started to
# stay up until the cleanup test stops it: Debian's starts with -p0 and quits
# with its last program, and every cold start takes seconds.
set -eu
wine=$1
wineserver=$2
dir=$3
if [ ! -d "$dir/locale/ja_JP.UTF-8" ]; then
  mkdir -p "$dir/locale"
  localedef -i ja_JP -f UTF-8 "$dir/locale/ja_JP.UTF-8"
fi
start=$(date +%s)
mkdir -p "$WINEPREFIX"
# wine's background processes keep the descriptors they inherit; a log file
# instead of ctest's pipe lets this test end as soon as the prefix is ready.
log=$dir/setup.log
"$wineserver" -p >"$log" 2>&1
"$wine" wineboot --init >>"$log" 2>&1
"$wine" cmd /c exit 0 >>"$log" 2>&1
cat "$log"
echo "wine prefix ready in $(($(date +%s) - start)) s"
