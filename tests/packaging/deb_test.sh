#!/usr/bin/env bash
# The .deb as a user gets it: lintian finds nothing; apt installs it; the three programs are on
# PATH with their manual pages; the menu entry's program starts the window, which finds its tools
# and converts a real SH ELF; the command line reads a CHD whose hunks are FLAC, a codec linked in;
# apt purges it without a trace. Needs root and an X display.
#
#   deb_test.sh DEB ELF CHD
set -euo pipefail
deb=$(realpath "$1")
elf=$(realpath "$2")
chd=$(realpath "$3")
fail() { echo "deb_test: $*" >&2; exit 1; }

echo "-- lintian"
findings=$(lintian --fail-on none "$deb" 2>/dev/null | grep -E '^[EW]: ' || true)
[[ -z $findings ]] || fail "lintian reports:"$'\n'"$findings"
echo "-- appstream and desktop entry"
dpkg-deb -x "$deb" "${work:=$(mktemp -d)}/unpacked"
trap 'rm -rf "$work"; dpkg -s quillet >/dev/null 2>&1 && apt-get purge -y -qq quillet >/dev/null 2>&1' EXIT
appstreamcli validate --no-net --pedantic "$work"/unpacked/usr/share/metainfo/*.metainfo.xml >/dev/null ||
  fail "appstreamcli does not accept the metainfo file"
desktop-file-validate "$work"/unpacked/usr/share/applications/*.desktop || fail "the desktop entry is not valid"
# "Open With" offers Quillet for what it reads: a .bin (data), an ELF and each disc image's type.
for type in application/octet-stream application/x-executable application/x-cd-image application/x-mame-chd; do
  grep -q "^MimeType=.*$type;" "$work"/unpacked/usr/share/applications/*.desktop ||
    fail "the desktop entry does not name $type"
done

dpkg-deb -f "$deb" Description | grep -q "scan, check, convert, fix" || fail "the description does not name quillet fix"

echo "-- install"
DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "$deb" >/dev/null
dpkg -L quillet >"$work/files"
for program in quillet dcscram vardelm; do
  [[ $(command -v "$program") == /usr/bin/$program ]] || fail "$program is not on PATH"
  [[ -f /usr/share/man/man1/$program.1.gz ]] || fail "$program has no manual page"
done
[[ $(quillet --version) == "quillet $(dcscram --version | sed 's/.* //')" ]] || fail "the programs disagree on the version"
quillet scan "$chd" | grep -q "^UNSCRAMBLED" || fail "quillet does not read a CHD of FLAC hunks: $(quillet scan "$chd" 2>&1)"

echo "-- the menu entry's program converts a real SH ELF"
launcher=$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' /usr/share/applications/org.quillet.Quillet.desktop)
mkdir "$work/data ü"
cp "$elf" "$work/data ü/game.elf"
sh-elf-objcopy -O binary "$elf" "$work/game.bin"
dcscram "$work/game.bin" "$work/expected.bin"
"$launcher" "$work/data ü/game.elf" &
window=$!
# Answer as a person would: the question's first button, "Scrambled", is the default; then OK.
press_return_in() {  # window title
  local id
  for _ in $(seq 100); do
    id=$(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -n 1) && [[ -n $id ]] && break
    sleep 0.1
  done
  [[ -n ${id:-} ]] || fail "no window titled '$1' appeared"
  xdotool windowfocus --sync "$id" key Return
}
press_return_in "Converting an ELF"
press_return_in "Success"
wait "$window" || fail "the window ended with status $?"
cmp "$work/expected.bin" "$work/data ü/game_scrambled.bin" || fail "the window's result differs from dcscram(objcopy(elf))"

echo "-- the keyboard: Alt+F, then one Escape gives the focus back to Browse, which Space presses"
"$launcher" &
window=$!
wait_for() {  # window title; prints its id
  local id=""
  for _ in $(seq 100); do
    id=$(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -n 1) && [[ -n $id ]] && break
    sleep 0.1
  done
  echo "$id"
}
main=$(wait_for "Quillet 1.5")
[[ -n $main ]] || fail "the window did not appear"
xdotool windowfocus --sync "$main" key alt+f
sleep 0.5
xdotool key Escape
sleep 0.5
xdotool key space
[[ -n $(wait_for Open) ]] || fail "after Alt+F and Escape the keyboard did not come back to Browse"
kill "$window" 2>/dev/null || true
wait "$window" 2>/dev/null || true

echo "-- purge"
DEBIAN_FRONTEND=noninteractive apt-get purge -y -qq quillet >/dev/null
while read -r path; do
  if [[ -d $path && ! -L $path ]]; then continue; fi  # folders the system shares stay
  if [[ -e $path || -L $path ]]; then fail "$path is left after purge"; fi
done <"$work/files"
for folder in /usr/lib/quillet /usr/share/doc/quillet; do
  [[ ! -e $folder ]] || fail "$folder is left after purge"
done
echo "deb_test: lintian clean, installed, converted, purged"
