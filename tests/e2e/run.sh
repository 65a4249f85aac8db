#!/usr/bin/env bash
# End to end: the real reader under Xvfb, driven with real key presses and
# pointer moves. The screen is 640 x 480, so the reader starts in its fixed
# full screen and every screenshot pixel is a page pixel.
#   tests/e2e/run.sh PATH/TO/pagelune [SCREENSHOT_DIR [SAMPLES_DIR]]
# With a samples folder, a last pass reads the sample story on its painted
# wallpapers and saves the README's two screenshots into SCREENSHOT_DIR.
set -euo pipefail

bin=$(readlink -f "$1")
shots=${2:-}
samples=${3:-}
work=$(mktemp -d /tmp/pagelune-e2e.XXXXXX)
pids=()
cleanup() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

fail() { echo "e2e: FAIL: $*" >&2; exit 1; }

# A display nobody uses.
n=90
while [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ]; do n=$((n + 1)); done
export DISPLAY=":$n"
Xvfb "$DISPLAY" -screen 0 640x480x24 -nolisten tcp >/dev/null 2>&1 &
pids+=($!)
timeout 5 sh -c 'until xdpyinfo >/dev/null 2>&1; do sleep 0.1; done' || fail "Xvfb did not start"
if command -v openbox >/dev/null; then
  openbox >/dev/null 2>&1 &
  pids+=($!)
  sleep 0.5
fi

cd "$work"
# Plain wallpapers whose colours the checks below can predict.
convert -size 16x16 xc:'#336699' BMP3:wall1.bmp
convert -size 16x16 xc:'#204060' BMP3:wall2.bmp
# Two pages and more: 40 lines that each end in a wait character.
printf '　第%d行の文章です。\n' $(seq 1 40) | iconv -f UTF-8 -t CP932 > story.txt
printf '[System]\r\nText=%s/story.txt\r\nMsgSpeed=1\r\n' "$work" > Yomibon.ini

# The reader started in the current folder (arguments passed on), a window
# titled $wait up (the reader's own by default); then the pointer on the
# title menu's first item.
start() {
  QT_QPA_PLATFORM=xcb "$bin" "$@" >"$work/out.log" 2>&1 &
  app=$!
  pids+=($app)
  xdotool search --sync --limit 1 --name "${wait:-Pagelune}" sleep 1.5 mousemove 500 340 sleep 0.5
}
start

# A value of the settings file as the reader reads it: KEY in [SECTION],
# wherever the section stands, names matched without regard to case.
ini_get() {  # ini_get SECTION KEY
  tr -d '\r' < Yomibon.ini | awk -v s="[$1]" -v k="$2" '/^\[/ { in_s = tolower($0) == tolower(s); next }
    in_s && tolower(substr($0, 1, index($0, "=") - 1)) == tolower(k) { sub(/^[^=]*=/, ""); print; exit }'
}
# SIGTERM (and at once signal $3, as a session manager sends SIGHUP after
# it), after which the reader must end with status $1 (any for "-").
term() {  # term STATUS WHILE [SIGNAL]
  kill -TERM "$app"
  [ -z "${3:-}" ] || kill -"$3" "$app" 2>/dev/null || true
  timeout 10 tail --pid="$app" -s 0.1 -f /dev/null || fail "still running after SIGTERM $2"
  local status=0
  wait "$app" || status=$?
  [ "$1" = - ] || [ "$status" = "$1" ] || fail "status $status after SIGTERM $2"
}

shot() { import -window root "$work/$1.png"; }
expect_pixel() {  # expect_pixel SHOT X Y "#RRGGBB" WHAT
  local got
  got=$(convert "$work/$1.png" -format "%[hex:p{$2,$3}]" info: | sed 's/^/#/' | cut -c1-7)
  [ "$got" = "$4" ] || fail "$1 ($2,$3) is $got, expected $4 ($5)"
}

# The cover: the wallpaper read through Qt at brightness 100.
shot cover
expect_pixel cover 10 10 "#336699" "cover wallpaper"

# A click on the first item: the reading screen wipes in and the first line
# appears. The page's pixels are checked headless; here only that the
# window shows them.
xdotool click 1 sleep 2.5
shot page
# Body wallpaper at 70 %: each byte b becomes (b * 179) >> 8.
expect_pixel page 300 300 "#162C43" "body wallpaper at 70 %"
ink=$(convert "$work/page.png" -crop 48x24+44+19 +repage -format '%[fx:maxima]' info:)
[ "$ink" = "1" ] || fail "no white ink in the first cells (max $ink)"

# Read on through more than one page (17 lines a page, a pause each line),
# then make font data in the settings dialog and send SIGTERM while it is
# being made, SIGHUP right after it: the run stops as 中止 stops it, the
# page is remembered, the older font data file stays as it was and nothing
# else is left.
printf old > "ＭＳ ゴシック.fdt"
xdotool key --delay 150 $(yes Return | head -n 20) key ctrl+e
dialog=$(xdotool search --sync --limit 1 --name 環境設定)
# The フォント page, then 開始, then OK in the box that asks.
xdotool sleep 0.5 mousemove --window "$dialog" 155 16 click 1 sleep 0.3 \
  mousemove --window "$dialog" 55 203 click 1 search --sync --limit 1 --name 確認 >/dev/null
xdotool sleep 0.3 key Return
temps() { ls ./*.pagelune-tmp >/dev/null 2>&1; }
# A whole run takes well under a second: SIGTERM as soon as it has begun.
for _ in $(seq 500); do temps && break; sleep 0.02; done
temps || fail "no font data run began"
term 0 "while font data was being made" HUP
printf old | cmp -s - "ＭＳ ゴシック.fdt" || fail "the older font data file was replaced"
! temps || fail "a temporary file was left"
[ "$(ini_get Continue Text)" = "$work/story.txt" ] || fail "resume record has no text"
[ "$(ini_get Continue Index)" -gt 0 ] || fail "resume index is not a later page"

# SIGTERM in the warning about a text named on the command line, before the
# event loop has started: the reader ends, having saved. With a FIFO for a
# settings file nothing waits on it and the reader says so at start; Alt+F4
# then says the file cannot be written, SIGTERM in that box ends the reader,
# and the FIFO stays.
mkdir box fifo && mkfifo fifo/Yomibon.ini
printf '[Continue]\r\nText=/x/a.txt\r\nIndex=123\r\n' > box/Yomibon.ini
cd box && wait=警告 start missing.txt && term 0 "in a box"
[ "$(ini_get Continue Index)$(ini_get System MsgSpeed)" = 12315 ] || fail "not saved from a box"
cd ../fifo && wait=警告 start && xdotool key Return sleep 1 key alt+F4 sleep 1
term 0 "in the box saying a FIFO for a settings file cannot be written"
[ -p Yomibon.ini ] || fail "the FIFO was replaced"
cd "$work"

# The README's screenshots: the sample story on the painted wallpapers.
if [ -n "$shots" ] && [ -n "$samples" ] && [ -f "$samples/story.txt" ]; then
  mkdir show && cd show
  cp "$samples/story.txt" "$samples/wall1.bmp" "$samples/wall2.bmp" .
  printf '[System]\r\nText=%s/story.txt\r\n' "$PWD" > Yomibon.ini
  start
  import -window root "$shots/screenshot-cover.png"
  xdotool click 1 sleep 3 key --delay 1500 Return Return Return Return Return sleep 1.5
  import -window root "$shots/screenshot-page.png"
fi
echo "e2e: 1 passed, 0 failed"
