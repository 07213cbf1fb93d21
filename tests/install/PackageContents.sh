#!/usr/bin/env bash
# Builds the Debian packages from a built tree with CPack (no second build) and checks them:
# each package's files, its documentation and maintainer, the dependencies (tivra-cli free of
# Qt and X11, also through its dependencies' dependencies), the library package's control files,
# lintian, and the development package by building and running a C program against the staged
# library twice, once with pkg-config and once with find_package(kemcmprs).
#   PackageContents.sh BUILD_DIR
set -euo pipefail
build=$1
out=$(mktemp -d "${TMPDIR:-/tmp}/tivra-package-XXXXXX")
trap 'rm -rf "$out"' EXIT
fail() { echo "package: $*" >&2; exit 1; }

(cd "$build" && cpack -G DEB -B "$out" >"$out/cpack.log" 2>&1) ||
    fail "cpack failed: $(tail -20 "$out/cpack.log")"
deb() { find "$out" -maxdepth 1 -name "$1_*.deb" -print -quit; }

# package: the files it must hold (a leading "=" names a link "name -> target").
lib='usr/lib/[a-z0-9_-]*/'
declare -A expected=(
    [tivra]="usr/bin/tivra usr/share/tivra/ usr/share/man/man1/tivra.1.gz
        usr/share/applications/org.tivra.Tivra.desktop
        usr/share/metainfo/org.tivra.Tivra.metainfo.xml
        usr/share/icons/hicolor/scalable/apps/org.tivra.Tivra.svg"
    [tivra-cli]="usr/bin/tivra-cli usr/share/tivra/ usr/share/man/man1/tivra-cli.1.gz"
    [tivra-apsim]="usr/bin/tivra-apsim usr/share/man/man1/tivra-apsim.1.gz"
    [libkemcmprs1]="${lib}libkemcmprs.so.1.0.0 =${lib}libkemcmprs.so.1->libkemcmprs.so.1.0.0"
    [libkemcmprs-dev]="usr/include/kemcmprs.h =${lib}libkemcmprs.so->libkemcmprs.so.1
        ${lib}pkgconfig/kemcmprs.pc ${lib}cmake/kemcmprs/kemcmprsConfig.cmake
        ${lib}cmake/kemcmprs/kemcmprsConfigVersion.cmake usr/bin/kemcmprs
        usr/share/man/man1/kemcmprs.1.gz"
)
# The maker's files, when the build was given them (-DTIVRA_VENDOR_FILES).
[[ -z $(deb tivra-data) ]] || expected[tivra-data]="usr/share/tivra/"
for package in "${!expected[@]}"; do
    file=$(deb "$package")
    [[ -n $file ]] || fail "no package $package was made"
    contents=$(dpkg-deb -c "$file" | awk '{print $6 ($7 == "->" ? "->" $8 : "")}' | sed 's|^\./||')
    for path in ${expected[$package]} "usr/share/doc/$package/copyright" \
        "usr/share/doc/$package/changelog.Debian.gz"; do
        link=${path#=}
        [[ $link == "$path" ]] && link="$path(/|$)" || link="$link$"
        grep -qE "^$link" <<<"$contents" || fail "$package lacks ${path#=}"
    done
    maintainer=$(dpkg-deb -f "$file" Maintainer)
    [[ $maintainer =~ \<[^@]+@[a-z0-9.-]+\.[a-z]+\>$ && $maintainer != *localhost* ]] ||
        fail "$package has no real maintainer: $maintainer"
done
made=$(find "$out" -maxdepth 1 -name '*.deb' | wc -l)
[[ $made == "${#expected[@]}" ]] || fail "unexpected packages: $(ls "$out"/*.deb)"

# Dependencies: the wizard's libraries and run-time needs; none of Qt or X11 for tivra-cli,
# directly or through what its dependencies pull in.
depends() { dpkg-deb -f "$(deb "$1")" Depends; }
version=$(dpkg-deb -f "$(deb tivra)" Version)
for dependency in "libkemcmprs1 (= $version)" libqt6widgets6 libcurl4 libudev1 libjpeg62-turbo \
    qt6-qpa-plugins fonts-ipafont-gothic qt6-translations-l10n; do
    grep -qF "$dependency" <<<"$(depends tivra)" || fail "tivra lacks $dependency: $(depends tivra)"
done
grep -qF "libkemcmprs1 (= $version)" <<<"$(depends libkemcmprs-dev)" ||
    fail "libkemcmprs-dev does not depend on its library: $(depends libkemcmprs-dev)"
gui='qt[0-9]|x11|xcb|libgl1|libglx|libegl|wayland|xkbcommon'
cli_depends=$(depends tivra-cli | sed 's/([^)]*)//g; s/[,|]/ /g')
grep -qiE "$gui" <<<"$cli_depends" && fail "tivra-cli depends on a GUI package: $cli_depends"
if apt-cache show libc6 >/dev/null 2>&1; then
    pulled=$(apt-cache depends --recurse --no-recommends --no-suggests --no-conflicts \
        --no-breaks --no-replaces --no-enhances $cli_depends |
        awk '/^[a-z0-9]/ {print $1}' | sort -u)
    [[ -n $pulled ]] || fail "apt-cache cannot resolve tivra-cli's dependencies: $cli_depends"
    ! grep -iE "$gui" <<<"$pulled" || fail "tivra-cli pulls in the GUI packages above"
else
    echo "package: note: apt has no package lists here; only tivra-cli's own dependencies checked"
fi

# The library package: shlibs, symbols and the ldconfig trigger, and no maintainer script that
# runs ldconfig itself.
control=$out/control
mkdir "$control"
dpkg-deb -e "$(deb libkemcmprs1)" "$control"
grep -qx "libkemcmprs 1 libkemcmprs1 (>= [0-9.]*)" "$control/shlibs" || fail "bad shlibs file"
grep -qx "libkemcmprs.so.1 libkemcmprs1 #MINVER#" "$control/symbols" || fail "bad symbols file"
grep -qx "activate-noawait ldconfig" "$control/triggers" || fail "no ldconfig trigger"
! grep -qs ldconfig "$control/postinst" "$control/postrm" ||
    fail "a maintainer script runs ldconfig"

if command -v lintian >/dev/null; then
    findings=$(lintian "$out"/*.deb 2>&1 | grep -E '^[EW]: ' || true)
    [[ -z $findings ]] || fail "lintian: $findings"
fi

# The development package: a C program built against the staged library with pkg-config and
# with CMake, run on a round trip through a container.
stage=$out/stage
for package in libkemcmprs1 libkemcmprs-dev; do dpkg-deb -x "$(deb "$package")" "$stage"; done
libdir=$(dirname "$(find "$stage" -name libkemcmprs.so -print -quit)")
cat >"$out/roundtrip.c" <<'C'
#include <kemcmprs.h>
#include <stdio.h>
#include <string.h>

int main(int argc, char** argv) {
    char memo[KEMCMPRS_MAX_MEMO_LENGTH + 1] = {0};
    if (argc != 4 || KemCompress(argv[1], argv[2], "staged", 6) != KEMCMPRS_DONE) return 1;
    if (KemUnCompress(argv[2], argv[3]) != KEMCMPRS_DONE) return 2;
    if (KemGetCompressMemo(argv[2], memo) != KEMCMPRS_DONE || strcmp(memo, "staged") != 0) return 3;
    return 0;
}
C
head -c 40000 /dev/urandom >"$out/source"
head -c 40000 /dev/zero >>"$out/source"
roundtrip() {
    rm -f "$out/container" "$out/expanded"
    "$@" "$out/source" "$out/container" "$out/expanded" || fail "$1 failed with status $?"
    cmp -s "$out/source" "$out/expanded" || fail "$1 did not give the source back"
}
flags=$(PKG_CONFIG_PATH=$libdir/pkgconfig pkg-config --cflags --libs kemcmprs) ||
    fail "pkg-config does not find kemcmprs.pc"
cc -Wall -Wextra -Werror "$out/roundtrip.c" $flags -o "$out/with-pkg-config" ||
    fail "the program does not build with: $flags"
roundtrip env LD_LIBRARY_PATH="$libdir" "$out/with-pkg-config"

mkdir "$out/cmake"
cat >"$out/cmake/CMakeLists.txt" <<CMAKE
cmake_minimum_required(VERSION 3.16)
project(roundtrip C)
find_package(kemcmprs 1 REQUIRED)
add_executable(with-cmake $out/roundtrip.c)
target_link_libraries(with-cmake PRIVATE kemcmprs::kemcmprs)
CMAKE
{ cmake -S "$out/cmake" -B "$out/cmake/build" -DCMAKE_PREFIX_PATH="$stage/usr" &&
    cmake --build "$out/cmake/build"; } >"$out/cmake.log" 2>&1 ||
    fail "find_package(kemcmprs) does not work: $(tail -20 "$out/cmake.log")"
roundtrip "$out/cmake/build/with-cmake"
echo "package: ${#expected[@]} packages complete and lintian clean;" \
    "kemcmprs builds with pkg-config and CMake"
