#!/usr/bin/env bash
# Installs a built tree into a staging folder and starts the installed wizard once (offscreen):
# the Linux layout is complete, the programs find libkemcmprs in ../lib and the installed
# program takes its data from share/tivra.
#   StagingInstall.sh BUILD_DIR
set -euo pipefail
build=$1
stage=$(mktemp -d "${TMPDIR:-/tmp}/tivra-stage-XXXXXX")
trap 'rm -rf "$stage"' EXIT
fail() { echo "staging install: $*" >&2; exit 1; }

cmake --install "$build" --prefix "$stage/usr" >/dev/null
cd "$stage/usr"
libdir=$(dirname "$(find . -name 'libkemcmprs.so.1' -print -quit)")
[[ $libdir == ./lib* ]] || fail "libkemcmprs.so.1 is not under lib/"
for file in bin/tivra bin/tivra-cli bin/kemcmprs bin/tivra-apsim "$libdir/libkemcmprs.so.1" \
    "$libdir/libkemcmprs.so" "$libdir/pkgconfig/kemcmprs.pc" include/kemcmprs.h \
    share/man/man1/{tivra,tivra-cli,tivra-apsim,kemcmprs}.1.gz \
    share/applications/org.tivra.Tivra.desktop share/metainfo/org.tivra.Tivra.metainfo.xml \
    share/icons/hicolor/scalable/apps/org.tivra.Tivra.svg; do
    [[ -e $file ]] || fail "$file is missing"
done
[[ -d share/tivra ]] || fail "share/tivra is missing"
if command -v desktop-file-validate >/dev/null; then
    desktop-file-validate share/applications/org.tivra.Tivra.desktop
fi
if command -v appstreamcli >/dev/null; then
    appstreamcli validate --no-net --pedantic share/metainfo/org.tivra.Tivra.metainfo.xml >/dev/null
fi

# The library is the staged one, found through the programs' own run path.
loaded=$(ldd bin/tivra | awk '$1 == "libkemcmprs.so.1" {print $3}')
[[ -n $loaded && $(realpath "$loaded") == $(realpath "$libdir/libkemcmprs.so.1") ]] ||
    fail "bin/tivra does not load the staged libkemcmprs: ${loaded:-nothing}"
bin/kemcmprs --help >/dev/null

QT_QPA_PLATFORM=offscreen timeout 60 bin/tivra --screenshots "$stage/shots" --log "$stage/log" ||
    fail "the installed program did not run: $(cat "$stage/log" 2>/dev/null)"
grep -q "data folder $stage/usr/share/tivra/\$" "$stage/log" ||
    fail "the installed program does not use share/tivra: $(cat "$stage/log")"
grep -q "TIVRA 1\.[0-9.]* " "$stage/log" || fail "the installed program has no version"
[[ -s $stage/shots/01-TopSheet.png ]] || fail "the installed program drew nothing"
echo "staging install: complete layout, the installed program ran"
