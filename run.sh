#!/bin/sh
# Shows the tool set under Wine with the simulated touch screen. Run with
# --help for the options.
set -e
caller=$PWD
cd "$(dirname "$0")"

usage() {
  cat <<'EOF'
usage: ./run.sh [options]

Builds the Windows binaries and shows the touch control panel under Wine, with
the simulated touch screen behind SDK.dll. With $DISPLAY set the control panel
opens there and the script waits until you close it; without, it runs on a
private virtual display and saves a screenshot (its path is printed).

  --lang en|zh         language of the user interface (default en)
  --device one|none|several|FILE
                       the simulated screens: one (default), none, several, or
                       FILE, a device.ini to start from (see sdk/README.md)
  --replay FILE        the simulated screen replays FILE, a touch recording as
                       velctl writes it, in calibration mode: its reports
                       with their timing, its configuration and output mode
                       (see sdk/README.md); not with --calibrate or
                       --screenshots, whose scripts it would replace
  --arch x64|x86       which build to run (default x64)
  --dpi 96|144|192     the screen resolution Windows reports (default 96); on
                       the private display the virtual screen is then the
                       smallest that holds the control panel: 1024 x 768,
                       1280 x 1024 or 2560 x 1440
  --calibrate          a scripted calibration of the simulated screen through
                       the control panel's Calib button, on a private display:
                       a screenshot per stage and the record it wrote
  --screenshots DIR    every picture the README shows, made from the real
                       programs, into DIR (the control panel at each DPI
                       among them)
  --displays LAYOUT    several displays, on a private display: WxH+X+Y[,...],
                       each display's size and place on the whole (from its
                       top left corner), the first the primary, e.g.
                       1024x768+800+0,800x600+0+100 (a second display left
                       of the primary). Programs run without Wine's virtual
                       desktop, which is one display; a screenshot shows the
                       layout's bounding box, grey where no display lies
  -h, --help           this text

Each run has its own Wine prefix and simulated-screen folder under
build/<preset>/run/, apart from the tests'.
EOF
}

lang=en device=one arch=x64 calibrate=0 shots="" dpi=96 layout="" replay=""
# The value of an option; a missing one (the end, or another option) is said.
value() { # <option> <next argument>...
  [ $# -ge 2 ] && case "$2" in -?*) false ;; *) [ -n "$2" ] ;; esac ||
    { echo "run.sh: $1 needs a value (./run.sh --help)" >&2; exit 2; }
}
while [ $# -gt 0 ]; do
  case "$1" in
  -h | --help) usage; exit 0 ;;
  --calibrate) calibrate=1; shift; continue ;;
  --lang | --device | --replay | --arch | --dpi | --screenshots | --displays) value "$@" ;;
  *) echo "run.sh: unknown option $1" >&2; usage >&2; exit 2 ;;
  esac
  case "$1" in
  --lang) lang=$2 ;;
  --device) device=$2 ;;
  --replay) replay=$2 ;;
  --arch) arch=$2 ;;
  --dpi) dpi=$2 ;;
  --screenshots) shots=$2 ;;
  --displays) layout=$2 ;;
  esac
  shift 2
done
case "$lang" in en | zh) ;; *) echo "run.sh: --lang takes en or zh" >&2; exit 2 ;; esac
# The smallest common screen that holds the control panel's window and a task
# bar at that DPI.
screen_for() {
  case "$1" in 96) echo 1024x768 ;; 144) echo 1280x1024 ;; 192) echo 2560x1440 ;; esac
}
[ -n "$(screen_for "$dpi")" ] || { echo "run.sh: --dpi takes 96, 144 or 192" >&2; exit 2; }
case "$arch" in
x64) preset=windows-x64 wine=/usr/lib/wine/wine64 wine32=0 ;;
x86) preset=windows-x86 wine=/usr/lib/wine/wine wine32=1 ;;
*) echo "run.sh: --arch takes x64 or x86" >&2; exit 2 ;;
esac
case "$device" in
one | none | several) ;;
*) [ -f "$device" ] || { echo "run.sh: --device: no file $device" >&2; exit 2; } ;;
esac
if [ -n "$replay" ]; then
  case "$replay" in /*) ;; *) replay=$caller/$replay ;; esac
  [ -f "$replay" ] || { echo "run.sh: --replay: no file $replay" >&2; exit 2; }
  if [ "$calibrate" = 1 ] || [ -n "$shots" ]; then
    echo "run.sh: --replay goes neither with --calibrate nor with --screenshots" >&2
    exit 2
  fi
  replay=$(cd "$(dirname "$replay")" && pwd)/$(basename "$replay")
fi
if [ -n "$layout" ]; then
  bounds=$(scripts/wine-fixture.sh bounds "$layout" 2>/dev/null) || {
    echo "run.sh: --displays takes WxH+X+Y[,WxH+X+Y...], e.g. 1024x768+800+0,800x600+0+100" >&2
    exit 2
  }
  heads=$(printf '%s\n' "$layout" | tr , '\n' | while IFS='x+' read -r w h x y; do
    printf 'rectangle %s,%s %s,%s ' "$x" "$y" $((x + w - 1)) $((y + h - 1))
  done)
fi

. scripts/packages.sh
VEL_WINE32=$wine32 vel_install_packages
if [ "$wine32" = 1 ] && [ -n "$VEL_WINE32_LEFT_OUT" ]; then
  echo "run.sh: the x86 programs cannot run here: $VEL_WINE32_LEFT_OUT" >&2
  exit 1
fi
cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset" -j "$(nproc 2>/dev/null || echo 2)"

bin=$PWD/build/$preset/bin
run=$PWD/build/$preset/run
home=$run/home
fixture=scripts/wine-fixture.sh

# The simulated screens of this run, from scratch.
new_home() {
  rm -rf "$home"
  mkdir -p "$home"
  case "$1" in
  one) ;;
  none) printf 'deviceCount = 0\n' >"$home/device.ini" ;;
  several) printf 'deviceCount = 2\n' >"$home/device.ini" ;;
  *) cp "$1" "$home/device.ini" ;;
  esac
  # The recording to replay, in place of any the device.ini names.
  if [ -n "$replay" ]; then
    ini=$home/device.ini
    { [ -f "$ini" ] && grep -v '^[[:space:]]*replay[[:space:]]*=' "$ini"
      printf 'replay = %s\n' "$(winpath "$replay")"; } >"$ini.new"
    mv "$ini.new" "$ini"
  fi
}

winpath() { printf 'Z:%s' "$(printf '%s' "$1" | tr / '\\')"; }
export VEL_SDK_HOME="$(winpath "$home")"

locale_of() {
  case "$1" in
  zh) echo zh_CN.UTF-8 ;;
  utf8) echo C.UTF-8 ;; # arguments in UTF-8 whatever the machine's locales
  *) echo en_US.UTF-8 ;;
  esac
}

# The resolution programs get when they start (the user's LogPixels).
set_dpi() { # <dpi>
  scripts/wine-run.sh "$wine" "$run" reg add 'HKCU\Control Panel\Desktop' /v LogPixels \
    /t REG_DWORD /d "$1" /f >/dev/null 2>&1
}

if [ -n "$DISPLAY" ] && [ -z "$shots" ] && [ "$calibrate" = 0 ] && [ -z "$layout" ]; then
  new_home "$device"
  "$fixture" prefix "$wine" "$run"
  set_dpi "$dpi"
  LC_ALL=$(locale_of "$lang") exec scripts/wine-run.sh "$wine" "$run" "$bin/VelApp.exe"
fi

# A private display: Xvfb, the run's own prefix and wineserver. The display
# holds the largest virtual screen, or the layout; a screenshot shows the one
# in use. Our libXinerama.so.1 gives Wine the layout's displays.
xinerama=$PWD/build/$preset/xinerama
# Whatever ends the run, what it started stops: the display and the server.
trap '[ ! -f "$run/display" ] || set_dpi 96 || true; "$fixture" stop "$wine" "$run"' EXIT
VEL_DISPLAYS=$layout VEL_XINERAMA_PATH=$xinerama/x86_64:$xinerama/i386 VEL_SCREEN=2560x1440x24 \
  "$fixture" start "$wine" "$run" >"$run/start.log" 2>&1 || {
  echo "run.sh: Wine cannot run the $arch programs here:" >&2
  cat "$run/start.log" >&2
  exit 1
}
xdisplay=":$(cat "$run/display")"
set_dpi "$dpi"
desk=$(screen_for "$dpi")

# Runs a program in a virtual desktop, which draws the window frames that a
# bare X display lacks; with a layout on the bare display, since Wine's
# virtual desktop is one display.
in_desktop() { # <lang> <program> [args...]
  l=$1; shift
  if [ -n "$layout" ]; then
    LC_ALL=$(locale_of "$l") scripts/wine-run.sh "$wine" "$run" "$@"
  else
    LC_ALL=$(locale_of "$l") scripts/wine-run.sh "$wine" "$run" explorer "/desktop=VelApp$desk,$desk" "$@"
  fi
}
start() { # <lang> <program> [args...]
  in_desktop "$@" >/dev/null 2>&1 &
}
click() { # <lang> <window title> <control id>: the title reaches uiclick as UTF-8
  shift
  in_desktop utf8 "$bin/uiclick.exe" "$@" >/dev/null 2>&1
}
# With a layout, the bounding box of its displays, and grey where none lies.
shot() { # <file>
  if [ -z "$layout" ]; then
    DISPLAY=$xdisplay import -window root -crop "$desk+0+0" +repage "$1"
  else
    DISPLAY=$xdisplay import -window root -crop "$bounds+0+0" +repage "$1"
    convert "$1" \( -size "$bounds" xc:gray40 -fill black -draw "$heads" \) \
      -compose lighten -composite "$1"
  fi
  echo "screenshot: $1"
}
stop_programs() {
  scripts/wine-run.sh "$wine" "$run" taskkill /f /im VelApp.exe >/dev/null 2>&1 || true
  sleep 1
}
wait_file() { # <name>: the simulated screen's script marks its stages with files
  i=0
  while [ ! -f "$home/$1" ] && [ $i -lt 300 ]; do sleep 0.1; i=$((i + 1)); done
  [ -f "$home/$1" ] || { echo "run.sh: the calibration did not reach '$1'" >&2; exit 1; }
  rm -f "$home/$1"
  sleep 0.5 # the window repaints
}

wait_closed() { # <what>: a run ends when the journal's last call closed the device
  i=0
  until [ "$(tail -n 1 "$home/journal.txt")" = CloseDevice ]; do
    [ $i -lt 300 ] || { echo "run.sh: $1 did not end" >&2; exit 1; }
    sleep 0.1; i=$((i + 1))
  done
}

# The control panel as it opens.
panel_shot() { # <lang> <device> <file>
  new_home "$2"
  start "$1" "$bin/VelApp.exe"
  sleep 6
  shot "$3"
  stop_programs
}

# Calib pressed, the targets touched one by one through the simulated screen's
# script; a screenshot at each stage.
calibration_shots() { # <dir> <prefix>
  new_home "$device"
  cat >"$home/script.txt" <<'EOF'
mark start
waitfor go
target 0 5
mark held
waitfor go
lift
mark done1
waitfor go
target 1 5
lift
target 2 5
lift
target 3 5
lift
EOF
  start "$lang" "$bin/VelApp.exe"
  sleep 5
  click "$lang" "$(title)" 1001
  wait_file start; shot "$1/$2-start.png"; touch "$home/go"
  wait_file held; shot "$1/$2-held.png"; touch "$home/go"
  wait_file done1; shot "$1/$2-one-done.png"; touch "$home/go"
  # The run is over when the device was released after the record was sent.
  i=0
  until grep -q ApplyCalibParam "$home/journal.txt" && [ "$(tail -n 1 "$home/journal.txt")" = CloseDevice ]; do
    [ $i -lt 300 ] || { echo "run.sh: the calibration did not end" >&2; exit 1; }
    sleep 0.1; i=$((i + 1))
  done
  echo "record written: $(grep '^calibration' "$home/device.ini")"
  grep 'ApplyCalibParam' "$home/journal.txt" | sed 's/^/journal: /'
  stop_programs
}

# velctl calibrates nine targets with five check points; the first check
# target as it waits for its touch.
check_shot() { # <file>
  new_home one
  {
    for y in 2048 16384 30720; do
      for x in 2048 16384 30720; do printf 'screen %s %s 4\nlift\n' "$x" "$y"; done
    done
    printf 'mark check\nwaitfor go\n'
    for p in "14336 18432" "16384 8192" "24576 16384" "16384 24576" "8192 16384"; do
      printf 'screen %s 4\nlift\n' "$p"
    done
  } >"$home/script.txt"
  start en "$bin/velctl.exe" calibrate --targets 9 --checks 5 --max-error 5
  wait_file check; shot "$1"; touch "$home/go"
  wait_closed "the checked calibration"
  sleep 1
}

# On two displays: velctl calibrates the one left of the primary, in that
# display's space, then verifies; the window as it waits for the first target
# and for the first verify touch. The simulated panel lies over display 2 and
# its driver maps the range to that display.
second_display_shots() { # <dir>
  new_home one
  printf 'panelDisplay = 2\ndriverMaps = display\n' >"$home/device.ini"
  {
    printf 'mark start\nwaitfor go\n'
    for i in 0 1 2 3; do printf 'target %s 5\nlift\n' "$i"; done
    printf 'wait 500\nmark verify\nwaitfor go\n'
    # The verify targets' pixels on display 2 (-800,100 800x600).
    for p in "-450 437" "-400 250" "-200 400" "-400 550" "-600 400"; do
      printf 'desk %s\nwait 150\n' "$p"
    done
  } >"$home/script.txt"
  start en "$bin/velctl.exe" calibrate --display 2 --space display --verify 5
  wait_file start; shot "$1/calibration-second-display.png"; touch "$home/go"
  wait_file verify; shot "$1/calibration-verify.png"; touch "$home/go"
  wait_closed "the calibration on display 2"
  grep '^Desk' "$home/journal.txt" | sed 's/^/journal: /'
}

# On two displays, the touch screen on the second: the control panel's Calib
# shows the identify page on each display in turn, the page on display 2 is
# touched, the targets and five verify touches follow there, and a box tells
# how it went; the page and the box in the given language.
panel_displays_shots() { # <dir> <lang> <suffix>
  lang=$2
  new_home one
  printf 'panelDisplay = 2\ndriverMaps = display\n' >"$home/device.ini"
  {
    printf 'shown\nmark page\nwaitfor go\nscreen 16384 16384 5\nlift\nsession\n'
    for i in 0 1 2 3; do printf 'target %s 5\nlift\n' "$i"; done
    printf 'wait 500\n'
    for p in "-450 437" "-400 250" "-200 400" "-400 550" "-600 400"; do
      printf 'desk %s\nwait 150\n' "$p"
    done
  } >"$home/script.txt"
  start "$lang" "$bin/VelApp.exe"
  sleep 5
  click "$lang" "$(title)" 1001 || { echo "run.sh: no control panel ($lang) to click" >&2; exit 1; }
  wait_file page; shot "$1/calib-identify$3.png"; touch "$home/go"
  wait_closed "the control panel's calibration on display 2"
  sleep 2
  shot "$1/calib-outcome$3.png"
  stop_programs
}

# The dialog's title in that language.
title() { [ "$lang" = zh ] && echo "TOUCH 控制面板" || echo "VELTOUCH Control Panel"; }

if [ -n "$shots" ] && [ -n "$layout" ]; then
  mkdir -p "$shots"
  second_display_shots "$(cd "$shots" && pwd)"
  panel_displays_shots "$(cd "$shots" && pwd)" en ""
  panel_displays_shots "$(cd "$shots" && pwd)" zh "-zh"
  exit 0
fi
if [ -n "$shots" ]; then
  mkdir -p "$shots"
  shots=$(cd "$shots" && pwd)
  panel_shot en one "$shots/velapp-en.png"
  panel_shot zh one "$shots/velapp-zh.png"
  for d in 144 192; do
    set_dpi "$d"; desk=$(screen_for "$d")
    panel_shot en one "$shots/velapp-en-$d-dpi.png"
  done
  set_dpi 96; desk=$(screen_for 96)
  lang=en
  calibration_shots "$shots" calibration
  check_shot "$shots/calibration-check.png"
  new_home one
  start en "$bin/VelApp.exe"
  sleep 5
  click en "VELTOUCH Control Panel" 1002
  sleep 2
  shot "$shots/reset.png"
  stop_programs
  # The pictures of two displays, on a private display of their own.
  "$0" --arch "$arch" --displays 1024x768+800+0,800x600+0+100 --screenshots "$shots"
  exit 0
fi

mkdir -p build/screenshots
out=$PWD/build/screenshots
if [ "$calibrate" = 1 ]; then
  calibration_shots "$out" "calibration-$arch-$lang"
else
  panel_shot "$lang" "$device" "$out/velapp-$arch-$lang-$dpi-dpi.png"
fi
