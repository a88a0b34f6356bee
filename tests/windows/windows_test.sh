#!/usr/bin/env bash
# The Windows build under wine, one check at a time (ctest -L windows):
#   build                  scripts/windows --tests: the programs, their tests and the zip; a wine prefix
#   unit                   the core's unit tests
#   golden FORM THREADS    the golden frames with a vector form forced, on 1 or 2 threads
#   timeline RENDER        every frame of the 60 fps timeline against the native renderer's
#   acm COMPARE            the music decoded through the Audio Compression Manager against SDL2_mixer
#   imports                the programs import only Windows' own DLLs; what the zip holds
#   paths                  the zip unpacked into folders named outside any code page, run from elsewhere
#   export                 the video export through a stand-in for ffmpeg.exe
#   win32 | player | folder RENDER [OUT_DIR]
#                          in an X server: the Win32 binding's tests; the player end
#                          to end; the player from a folder of any name (player_e2e.sh)
# Exit 77 (skipped) only where wine cannot start.
# usage: windows_test.sh SOURCE_DIR CHECK [ARGS...]
set -euo pipefail
src=$(cd "$1" && pwd)
check=$2
shift 2
win=$src/build-win
data=$src/data
golden=$src/tests/golden/frames-60fps.txt

# One prefix for every check, made by the build; no Mono or Gecko to offer.
export WINEPREFIX=$win/wine WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
# Arguments, environment and file names pass between Linux and Windows as UTF-8.
export LC_ALL=C.UTF-8
# ALSA's null output, so that waveOut opens with no sound card.
export HOME=$win/home
mkdir -p "$HOME"
printf 'pcm.!default {\n  type null\n}\n' > "$HOME/.asoundrc"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"

need_wine() {
  local why
  if ! why=$(timeout 300 wine cmd /c exit 0 2>&1); then
    echo "wine cannot start here, skipped: ${why:-no message}" | tail -1
    exit 77
  fi
}
# Standard output of a Windows program, with Linux line ends.
run() { wine "$@" | tr -d '\r'; }
fail() {
  echo "$*"
  exit 1
}

case $check in
build)
  start=$SECONDS
  "$src/scripts/windows" --tests
  echo "cross build: $((SECONDS - start)) s"
  command -v wine > /dev/null || exit 0
  [ -f "$WINEPREFIX/system.reg" ] || timeout 600 wine wineboot -i > /dev/null 2>&1 || true
  # A second prefix for the checks with a display: a wine session keeps the
  # display (or none) it started with, and the others run with none.
  if [ ! -f "$win/wine-x11/system.reg" ]; then
    (export WINEPREFIX=$win/wine-x11 && unset DISPLAY && timeout 600 wine wineboot -i > /dev/null 2>&1 && wineserver -w) || true
  fi
  echo "with the wine prefixes: $((SECONDS - start)) s"
  ;;
unit)
  need_wine
  # Every test runs: none needs what wine lacks.
  run "$win/softdemo_tests.exe" --gtest_brief=1
  ;;
golden)
  form=$1 threads=$2
  if [[ $form != portable ]] && ! grep -qw "$form" /proc/cpuinfo; then
    echo "this processor has no $form: skipped"
    exit 77
  fi
  need_wine
  times=$(cut -d' ' -f1 "$golden" | paste -sd, -)
  actual=$(SOFTDEMO_SIMD=$form run "$win/softdemo-render.exe" frames --data "$data" --fps 60 --hash \
    --threads "$threads" --at "$times")
  diff <(echo "$actual") "$golden" || fail "frames differ from $golden under wine ($form, $threads threads)"
  echo "$(wc -l < "$golden") frames match ($form, $threads threads)"
  ;;
timeline)
  need_wine
  "$1" frames --data "$data" --all --hash > native.txt
  run "$win/softdemo-render.exe" frames --data "$data" --all --hash > windows.txt
  [ "$(wc -l < native.txt)" -eq 7103 ] || fail "the native timeline has $(wc -l < native.txt) frames, not 7103"
  cmp -s native.txt windows.txt || { diff native.txt windows.txt | head; fail "frames differ from the native ones"; }
  echo "7103 frames as the native renderer's"
  ;;
acm)
  need_wine
  run "$win/softdemo_acm_decode.exe" "$data/fried.mp3" acm.raw
  "$1" "$data/fried.mp3" acm.raw
  # A file at another rate and channel count goes through the system's PCM converter too.
  ffmpeg -v error -f lavfi -i sine=frequency=440:duration=2 -ar 22050 -ac 1 -b:a 64k tone.mp3
  run "$win/softdemo_acm_decode.exe" tone.mp3 tone.raw
  bytes=$(stat -c %s tone.raw)
  ((bytes > 2 * 44100 * 4 - 4410 * 4 && bytes < 2 * 44100 * 4 + 4410 * 4)) ||
    fail "a 2 s tone at 22,050 Hz, mono, decoded to $bytes bytes, not about 2 s at 44,100 Hz stereo"
  ;;
imports)
  for exe in "$win"/softdemo-render.exe "$win"/softdemo.exe; do
    dlls=$(x86_64-w64-mingw32-objdump -p "$exe" | sed -n 's/^\s*DLL Name: //p' | sort -f)
    echo "$(basename "$exe"): $(echo $dlls)"
    for dll in $dlls; do
      case ${dll,,} in
      kernel32.dll | msvcrt.dll | user32.dll | gdi32.dll | winmm.dll | msacm32.dll | comctl32.dll | dwmapi.dll) ;;
      *) fail "$(basename "$exe") imports $dll, which a bare Windows does not have" ;;
      esac
    done
    for entry in PerMonitorV2 '<dpiAware xmlns="http://schemas.microsoft.com/SMI/2005/WindowsSettings">true/pm' \
      Microsoft.Windows.Common-Controls; do
      strings -n 8 "$exe" | grep -F "$entry" > /dev/null || fail "$(basename "$exe")'s manifest lacks $entry"
    done
  done
  # The player opens no console window of its own.
  x86_64-w64-mingw32-objdump -p "$win/softdemo.exe" | grep "^Subsystem.*(Windows GUI)" > /dev/null ||
    fail "softdemo.exe is not a program for the desktop"
  cmake -E tar tf "$win/softdemo-windows.zip" > listing.txt
  for entry in softdemo.exe softdemo-render.exe README.txt data/fried.mp3 data/tarnolm/heightmap.raw fonts/DejaVuSans-Bold.ttf; do
    grep -qx "softdemo-windows/$entry" listing.txt || fail "the zip lacks $entry"
  done
  echo "the zip holds $(wc -l < listing.txt) entries"
  ;;
paths)
  need_wine
  here="$work/J$(printf '\xc3\xbc')rgen/D$(printf '\xc3\xa9')mo $(printf '\xe3\x82\xb7\xe3\x83\xa7\xe3\x83\xbc')"
  mkdir -p "$here" elsewhere
  (cd "$here" && cmake -E tar xf "$win/softdemo-windows.zip")
  program="$here/softdemo-windows/softdemo-render.exe"
  cp "$src/show/demo.show" "$here/mine $(printf '\xe3\x82\xb7').show"
  cd elsewhere
  # The pack beside the program; the show file, the PNG and the sheet in those folders too.
  expected=$(sed -n 20p "$golden")
  at=${expected%% *}
  actual=$(run "$program" frames --at "$at" --hash --png "$here/frames" --show "$here/mine $(printf '\xe3\x82\xb7').show")
  [ "$actual" = "$expected" ] || fail "frame $at from $here: \"$actual\", not \"$expected\""
  [ -s "$here/frames/frame_$at.png" ] || fail "no $here/frames/frame_$at.png"
  run "$program" sheet --every 30000 --out "$here/sheet.png" 2> /dev/null
  [ -s "$here/sheet.png" ] || fail "no $here/sheet.png"
  [[ $(run "$program" bench --fps 10 --json 2> /dev/null) == '{"frames": 1184,'* ]] || fail "no bench of 1184 frames"
  [[ $(run "$program" classes) == *$'\neffect PutBuffer\n'* ]] || fail "no class listing"
  # The pack named by SOFTDEMO_DATA, for a program with none beside it, and the music.
  mkdir alone
  cp "$program" alone/
  actual=$(SOFTDEMO_DATA="$here/softdemo-windows/data" run alone/softdemo-render.exe frames --at "$at" --hash)
  [ "$actual" = "$expected" ] || fail "frame $at with SOFTDEMO_DATA=$here/softdemo-windows/data: \"$actual\""
  run "$win/softdemo_acm_decode.exe" "$here/softdemo-windows/data/fried.mp3" music.raw
  echo "read and written in $here"
  ;;
export)
  need_wine
  mkdir -p bin "out $(printf '\xe3\x82\xb7')"
  cp "$win/softdemo_fake_ffmpeg.exe" bin/ffmpeg.exe
  out="$work/out $(printf '\xe3\x82\xb7')/the show.mp4"
  # ffmpeg.exe found on the PATH, given the frames on its standard input and each argument whole.
  WINEPATH=$(winepath -w bin) run "$win/softdemo-render.exe" export --data "$data" --fps 1 --out "$out" 2> log.txt
  grep -qx -- "$data/fried.mp3" "$out" || fail "ffmpeg was not given the music: $(cat "$out")"
  grep -qx -- "$out" "$out" || fail "ffmpeg was not given $out whole: $(cat "$out")"
  grep -qx "$((119 * 512 * 384 * 4)) bytes" "$out" || fail "ffmpeg was not given 119 frames: $(tail -1 "$out")"
  # Music cut short: ffmpeg reads its whole frames from a temporary copy, gone afterwards.
  mkdir cut && cp -rL "$data"/. cut/
  truncate -s 1000000 cut/fried.mp3
  WINEPATH=$(winepath -w bin) run "$win/softdemo-render.exe" export --data cut --fps 1 --out "$out" 2> log.txt
  grep -q "truncated or damaged after" log.txt || fail "no word about the cut music: $(cat log.txt)"
  copy=$(awk 'previous == "-i" && $0 != "-" { print } { previous = $0 }' "$out")
  [[ $copy == *softdemo-music-*.mp3 ]] || fail "ffmpeg was not given a copy of the music: $(cat "$out")"
  [ ! -e "$(winepath -u "$copy" 2> /dev/null)" ] || fail "the temporary copy $copy is left behind"
  # No ffmpeg.exe on the PATH.
  if run "$win/softdemo-render.exe" export --data "$data" --fps 1 --out "$out" 2> log.txt; then
    fail "the export succeeded with no ffmpeg"
  fi
  grep -q "cannot run ffmpeg" log.txt || fail "no word about ffmpeg: $(cat log.txt)"
  echo "export: ffmpeg.exe given 119 frames and every argument whole"
  ;;
win32 | player | folder)
  export WINEPREFIX=$win/wine-x11
  bash "$src/tests/windows/player_e2e.sh" "$src" "$check" "$@"
  ;;
*)
  echo "windows_test.sh: unknown check \"$check\""
  exit 2
  ;;
esac
