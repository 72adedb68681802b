#!/usr/bin/env bash
# quillet make as a person runs it, its discs read by oracles that no one here wrote: isoinfo
# (genisoimage) and pycdlib read the file system, chdman takes the cue sheet; quillet check and
# convert read them back. Then what it refuses, nothing written.
# Arguments: QUILLET DCSCRAM ELF BINARY (the ELF's raw binary, unscrambled) IP_BIN
set -euo pipefail
source "$(dirname "$0")/helpers.sh"
quillet=$(realpath "$1")
dcscram=$(realpath "$2")
elf=$(realpath "$3")
binary=$(realpath "$4")
ip=$(realpath "$5")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
failures=0
fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}
# The tests' IP.BIN carries boot code of the tests' own, vouched for as stock.
export QUILLET_TRUSTED_BOOT_CODE=c0907599ba975325 SOURCE_DATE_EPOCH=1700000000
cp "$elf" game.elf
cp "$ip" IP.BIN
mkdir -p data/sub
head -c 300000 /dev/urandom >data/sub/level1.dat
printf 'a readme of the game\n' >data/readme.txt
"$dcscram" "$binary" scrambled.bin >/dev/null
printf 'a name a CD cannot hold\n' >bad-name.dat
# More than an 80-minute CD-R holds, as a hole: refused before anything is read or written.
truncate -s 800M huge.dat
# The program and the IP.BIN under names a result could take.
ln game.elf link.cdi
ln IP.BIN ip-link.iso

# arguments | exit status | a line the output must hold (standard output, then error)
run_rows "$quillet" <<ROWS
make --ip IP.BIN game.elf data|0|game.cdi: will boot from a CD-R
make --ip IP.BIN --title A_NEW_TITLE --regions U -o cue/game.cue game.elf data|0|cue/game.cue: will boot from a CD-R on consoles of the USA
make --ip IP.BIN --data-data -o dd/game.cue game.elf data|0|dd/game.cue: will boot from a CD-R
make --ip IP.BIN --data-data -o dd.cdi game.elf data|0|dd.cdi: will boot from a CD-R
make --ip IP.BIN -o game.iso scrambled.bin data|0|game.iso: cannot tell whether it boots: an ISO image is one data track: its disc's sessions are made when it is burned
make --ip game.cdi -o again.cdi game.elf|0|again.cdi: will boot from a CD-R
check dd.cdi|0|dd.cdi: ok: placement: track 2 at LBA 11981 begins with the IP.BIN and volume descriptors of a file system made for track 1 at LBA 0, which holds its directories and files
check dd.cdi|0|dd.cdi: ok: layout: a CD-R of 2 sessions, data + data, closed
check game.cdi|0|game.cdi: ok: placement: track 2 at LBA 11702 holds a file system made to begin there
make game.elf|2|quillet: make needs --ip IP.BIN: Quillet ships no IP.BIN (every one that boots a console carries Sega's code); give yours, or a disc image to take it from
make --ip IP.BIN game.elf|1|quillet: game.cdi: game.cdi exists: --force replaces it; nothing written
make --ip IP.BIN --force -o link.cdi game.elf|1|quillet: game.elf: its result link.cdi is the file itself; nothing written
make --ip IP.BIN --force -o ip-link.iso game.elf|1|quillet: game.elf: its result ip-link.iso is an input of this run, IP.BIN; nothing written
make --ip IP.BIN -o game.bin game.elf|1|quillet: game.bin: quillet make writes a .cdi (DiscJuggler), a .cue (a cue sheet and a file a track) or an .iso (the file system alone); name the output so
make --ip IP.BIN -o out.cdi game.elf data/readme.txt bad-name.dat|1|quillet: bad-name.dat: "bad-name.dat" is no name a CD's file system holds (ISO 9660 level 1: 1 to 8 letters, digits or _, then up to 3 after a dot); a program opens its files by name, so rename it there and in the program
make --ip IP.BIN -o out.cdi game.elf huge.dat|1|quillet: the program and files take 800.8 MiB on the disc (410029 sectors), and an 80-minute CD-R has room for 680.0 MiB (348146 sectors) in this layout
make --ip game.elf -o out.cdi game.elf|1|quillet: game.elf: it is 516804 bytes long, and an IP.BIN is 32768 (32 KiB); give the IP.BIN, or a disc image to take it from
make --ip IP.BIN -o out.cdi IP.BIN|1|quillet: IP.BIN: Please select a 1st_read.bin, not an Ip.bin!
ROWS

# Nothing of a refused disc is left: no out.cdi, no hidden file of a run.
[[ ! -e out.cdi && -z $(find . -name '.*' ! -name .) ]] || fail "a refused disc left files: $(ls -A)"

# The boot file is the ELF's raw binary, scrambled; the disc image the IP.BIN came from gives the same.
for disc in game.cdi cue/game.cue dd/game.cue dd.cdi game.iso again.cdi; do
  "$quillet" convert --to scrambled -o boot.bin "$disc" >/dev/null
  cmp -s boot.bin scrambled.bin || fail "$disc: its boot file is not the program scrambled"
  rm boot.bin
done
# The same inputs and SOURCE_DATE_EPOCH give the same bytes.
mkdir again
"$quillet" make --ip IP.BIN -o again/game.cdi game.elf data >/dev/null
cmp -s game.cdi again/game.cdi || fail "game.cdi made twice differs"

# isoinfo lists the bare file system at LBA 11702 and gives the file back.
listing=$(isoinfo -l -i game.iso -N 11702)
grep -q '1ST_READ.BIN;1' <<<"$listing" || fail "isoinfo: no 1ST_READ.BIN in game.iso: $listing"
isoinfo -i game.iso -N 11702 -x '/DATA/SUB/LEVEL1.DAT;1' >level1.out
cmp -s level1.out data/sub/level1.dat || fail "isoinfo: LEVEL1.DAT is not the file given"

# pycdlib opens the data + data disc's first track (its sectors' user data), the file system made
# for LBA 0, and finds the file in its folder; the IP.BIN's header holds the title, the regions
# and the CRC of its product number and version.
/usr/bin/python3 - "dd/game (Track 1).bin" "cue/game (Track 2).bin" data/sub/level1.dat <<'PYTHON' || fail "pycdlib"
import io, sys
import pycdlib

def user_data(path):
    raw = open(path, "rb").read()
    return b"".join(raw[at + 24:at + 24 + 2048] for at in range(0, len(raw), 2352))

def crc(data):
    value = 0xFFFF
    for byte in data:
        value ^= byte << 8
        for _ in range(8):
            value = ((value << 1) ^ 0x1021 if value & 0x8000 else value << 1) & 0xFFFF
    return value

iso = pycdlib.PyCdlib()
iso.open_fp(io.BytesIO(user_data(sys.argv[1])))
level = io.BytesIO()
iso.get_file_from_iso_fp(level, iso_path="/DATA/SUB/LEVEL1.DAT;1")
assert level.getvalue() == open(sys.argv[3], "rb").read(), "LEVEL1.DAT differs"
names = [child.file_identifier() for child in iso.list_children(iso_path="/")]
assert names[2] == b"1ST_READ.BIN;1", names
ip = user_data(sys.argv[2])[:32768]
assert ip[0x20:0x24] == b"%04X" % crc(ip[0x40:0x50]), ip[0x20:0x30]
assert ip[0x80:0x80 + 11] == b"A_NEW_TITLE" and ip[0x30:0x33] == b" U ", ip[0x30:0x33]
assert ip[0x60:0x70] == b"1ST_READ.BIN    "
PYTHON

# chdman takes the cue sheets, and the CHDs read back: the data + data disc's file system where its
# directories lie, though a CHD keeps no sessions.
chdman createcd -i cue/game.cue -o game.chd >/dev/null 2>&1 || fail "chdman createcd refused cue/game.cue"
"$quillet" check game.chd | grep -qxF 'game.chd: ok: form: 1ST_READ.BIN is scrambled, the form a CD-R starts' ||
  fail "game.chd: $("$quillet" check game.chd)"
chdman createcd -i dd/game.cue -o dd.chd >/dev/null 2>&1 || fail "chdman createcd refused dd/game.cue"
"$quillet" check dd.chd | grep -qF 'dd.chd: ok: placement: track 2 at LBA 581 begins with the IP.BIN and volume descriptors of a file system made for track 1 at LBA 0' ||
  fail "dd.chd: $("$quillet" check dd.chd)"

exit $((failures > 0))
