#!/usr/bin/env bash
# Builds the .deb with CPack and lists it; checks that it holds the programs,
# the desktop entry, the icon and the very data pack the build generated; then
# unpacks it and runs the unpacked tools from a folder with no data/, so that
# they must find the pack installed beside them.
# usage: package_test.sh BUILD_DIR DATA_DIR GOLDEN_HASHES
# Exits 77 (skipped) when cpack or dpkg-deb is missing.
set -euo pipefail
build=$1 data=$2 golden=$3
for tool in cpack dpkg-deb; do
    command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
done
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

start=$SECONDS
cpack --config "$build/CPackConfig.cmake" -B "$out" >"$out/cpack.log" 2>&1 || { cat "$out/cpack.log"; fail "cpack"; }
deb=$(ls "$out"/*.deb)
echo "$(basename "$deb"), $(du -h "$deb" | cut -f1), made in $((SECONDS - start)) s:"
dpkg-deb -c "$deb" | tee "$out/listing"
for path in usr/bin/softdemo usr/bin/softdemo-render usr/bin/softdemo-assets usr/share/applications/softdemo.desktop \
            usr/share/icons/hicolor/scalable/apps/softdemo.svg usr/share/softdemo/data/fried.mp3 \
            usr/share/softdemo/data/tarnolm/heightmapcol.raw; do
    grep -q " \./$path\$" "$out/listing" || fail "no /$path in the package"
done
depends=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $depends"
for lib in libsdl2-2.0-0 libsdl2-mixer-2.0-0 libsdl2-ttf-2.0-0 libfontconfig1; do
    [[ $depends == *"$lib"* ]] || fail "Depends lacks $lib"
done

dpkg-deb -x "$deb" "$out/root"
diff -r "$data" "$out/root/usr/share/softdemo/data" >/dev/null || fail "the packaged data pack is not the generated one"
if command -v desktop-file-validate >/dev/null; then
    desktop-file-validate "$out/root/usr/share/applications/softdemo.desktop" || fail "the desktop entry"
fi
mkdir "$out/elsewhere"
cd "$out/elsewhere"
env -u SOFTDEMO_DATA "$out/root/usr/bin/softdemo-assets" check | tee "$out/check"
grep -q "^$out/root/usr/share/softdemo/data: every file" "$out/check" || fail "the unpacked tool did not use its own pack"
expected=$(head -1 "$golden")
got=$(env -u SOFTDEMO_DATA "$out/root/usr/bin/softdemo-render" frames --at "${expected%% *}" --hash)
[ "$got" = "$expected" ] || fail "the unpacked renderer drew \"$got\", not the golden \"$expected\""
echo "PASS: the package installs the programs, their data pack, the desktop entry and the icon"
