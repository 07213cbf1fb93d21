#!/usr/bin/env bash
# Packs the guest's initial RAM disk for the UART stage: Debian's static busybox, tivra-cli with
# every shared library it loads and the iconv modules of its character sets, the line probe,
# the init script beside this file, and the files of FILES_DIR under /tivra.
# Usage: make-initramfs.sh BIN_DIR FILES_DIR OUT   (BIN_DIR holds tivra-cli and tivra-uart-probe)
set -euo pipefail
bin=$1 files=$2 out=$3
here=$(cd "$(dirname "$0")" && pwd)

for tool in /bin/busybox cpio gzip ldd strip; do
    command -v "$tool" >/dev/null || { echo "make-initramfs: $tool is missing (scripts/setup)" >&2; exit 1; }
done
if ldd /bin/busybox >/dev/null 2>&1; then
    echo "make-initramfs: /bin/busybox is not the static one (busybox-static)" >&2
    exit 1
fi

root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
mkdir -p "$root"/{bin,dev,proc,sys,tmp,lib,lib64,tivra}
cp /bin/busybox "$root/bin/busybox"
# Without its debugging sections the program packs and unpacks several times faster.
strip --strip-debug -o "$root/bin/tivra-cli" "$bin/tivra-cli"
cp "$bin/tivra-uart-probe" "$root/bin/"
cp "$here/init" "$root/init"
chmod 755 "$root/init"

# The libraries as the host's loader resolves them; the guest's init points LD_LIBRARY_PATH
# at /lib. The loader itself keeps its own path.
ldd "$bin/tivra-cli" | while read -r name arrow path _; do
    if [[ "$arrow" == "=>" && "$path" == /* ]]; then
        cp -L "$path" "$root/lib/"
    elif [[ "$name" == /lib64/* ]]; then
        cp -L "$name" "$root/lib64/"
    fi
done

# Shift_JIS and EUC-JP through iconv (GCONV_PATH=/lib/gconv in the guest).
gconv=$(dirname "$(find /usr/lib -name CP932.so -path '*gconv*' | head -n 1)")
mkdir -p "$root/lib/gconv"
cp -r "$gconv"/gconv-modules "$gconv"/gconv-modules.d "$gconv"/CP932.so "$gconv"/EUC-JP.so \
    "$gconv"/libJIS.so "$root/lib/gconv/"

cp -r "$files"/. "$root/tivra/"
(cd "$root" && find . | LC_ALL=C sort | cpio -o -H newc --quiet -R 0:0) | gzip -1 >"$out"
