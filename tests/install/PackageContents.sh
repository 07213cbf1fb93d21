#!/usr/bin/env bash
# Builds the Debian package from a built tree with CPack (no second build) and checks what it
# holds: the expected files under /usr, the versioned library with its shlibs entry, and the
# declared dependencies.
#   PackageContents.sh BUILD_DIR
set -euo pipefail
build=$1
out=$(mktemp -d "${TMPDIR:-/tmp}/tivra-package-XXXXXX")
trap 'rm -rf "$out"' EXIT
fail() { echo "package: $*" >&2; exit 1; }

(cd "$build" && cpack -G DEB -B "$out" >"$out/cpack.log" 2>&1) ||
    fail "cpack failed: $(tail -20 "$out/cpack.log")"
deb=$(find "$out" -maxdepth 1 -name 'tivra_*.deb' -print -quit)
[[ -n $deb ]] || fail "no package was made"

contents=$(dpkg-deb -c "$deb" | awk '{print $6 ($7 ? " " $7 " " $8 : "")}')
for expected in ./usr/bin/tivra ./usr/bin/kemcmprs ./usr/bin/tivra-apsim \
    'libkemcmprs.so.1 -> libkemcmprs.so.1.0.0' '/libkemcmprs.so.1.0.0' ./usr/share/tivra/ \
    ./usr/share/applications/org.tivra.Tivra.desktop \
    ./usr/share/metainfo/org.tivra.Tivra.metainfo.xml \
    ./usr/share/icons/hicolor/scalable/apps/org.tivra.Tivra.svg; do
    grep -qF -- "$expected" <<<"$contents" || fail "the package lacks $expected"
done

depends=$(dpkg-deb -f "$deb" Depends)
for dependency in libqt6widgets6 libcurl4 libudev1 libjpeg62-turbo qt6-qpa-plugins \
    fonts-ipafont-gothic qt6-translations-l10n; do
    grep -q "$dependency" <<<"$depends" || fail "Depends lacks $dependency: $depends"
done
dpkg-deb --ctrl-tarfile "$deb" | tar -xO ./shlibs | grep -q "^libkemcmprs 1 tivra" ||
    fail "no shlibs entry for libkemcmprs 1"
echo "package: $(basename "$deb"), $(wc -l <<<"$contents") entries, Depends: $depends"
