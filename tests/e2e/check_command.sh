#!/usr/bin/env bash
# quillet check as a script calls it: a line per check and the report in a line for each image,
# exit status 0 where no check finds a problem, 1 where one does or a file is no disc image, 2 for
# a usage error; quillet scan --json gives the same checks.
# Arguments: QUILLET CDI GDI_FOLDER (a .gdi, disc.gdi, with its track files) CUE_FOLDER (a CD-R as a
# cue sheet, disc.cue, with its track files) CHD_FOLDER (chdman's CHDs of them: gdi.chd, cdr.chd,
# split.chd, a GD-ROM whose file system spans two data tracks) PROGRAM HOSTILE (claims.chd, whose
# metadata claims 16 MiB, and hunk.chd, of one 16 MiB hunk)
set -euo pipefail
source "$(dirname "$0")/helpers.sh"
quillet=$(realpath "$1")
cdi=$(realpath "$2")
gdi_folder=$(realpath "$3")
cue_folder=$(realpath "$4")
chd_folder=$(realpath "$5")
program=$(realpath "$6")
hostile=$(realpath "$7")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
cd "$work"
cp "$cdi" dk.cdi
cp -r "$gdi_folder" dump
# The same dump, its table putting the boot track where its file system was not made for.
cp -r dump moved
sed -i 's/^3 45000 /3 45150 /' moved/disc.gdi
cp -r "$cue_folder" cd-r
cp -r "$chd_folder" chd
ln "cd-r/Track 2.bin" linked.bin
# The GD-ROM dump as Redump writes its cue sheet, and a sheet naming a file that is not there.
printf 'REM SINGLE-DENSITY AREA\r\nFILE "track01.bin" BINARY\r\n  TRACK 01 MODE1/2352\r\n    INDEX 01 00:00:00\r\nREM HIGH-DENSITY AREA\r\nFILE "track 03 boot.bin" BINARY\r\n  TRACK 03 MODE1/2352\r\n    INDEX 01 00:00:00\r\n' >dump/redump.cue
printf 'FILE "gone.bin" BINARY\n  TRACK 01 MODE1/2352\n    INDEX 01 00:00:00\n' >gone.cue
# The CD-R's sheet naming its track files in a folder of their own, by the Windows separator.
mkdir -p nested/tracks
cp cd-r/*.bin nested/tracks/
sed 's/FILE "/FILE "tracks\\/' cd-r/disc.cue >nested/disc.cue
ln "nested/tracks/Track 2.bin" nested-track.bin

# arguments | exit status | a line the output must hold (standard output, then error)
run_rows "$quillet" <<ROWS
check dk.cdi|0|dk.cdi: cannot tell whether it boots: the IP.BIN carries boot code of its own (a loader): what it starts, and how, depends on that code; try the disc on an emulator before burning it
check moved/disc.gdi dk.cdi|1|moved/disc.gdi: problem: placement: track 3 at LBA 45150 holds a file system made to begin at LBA 45000: the console will not find 1ST_READ.BIN; make the image again for LBA 45150
check moved/disc.gdi|1|moved/disc.gdi: will not boot: the IP.BIN begins track 3 at LBA 45150, not LBA 45000, where a GD-ROM's high-density area begins
check $program|1|quillet: $program: no disc image: quillet check reads CDI, ISO, GD-ROM (.gdi), cue sheet (.cue) and CHD images
check|2|quillet: no file given
check --json dk.cdi|2|quillet: unknown option '--json'
check cd-r/disc.cue|0|cd-r/disc.cue: ok: layout: a CD-R of 2 sessions, audio + data
check dump/redump.cue|0|dump/redump.cue: ok: placement: track 3 at LBA 45000 holds a file system made to begin there
check gone.cue|1|quillet: gone.cue: its track file gone.bin: File not found
check chd/split.chd|0|chd/split.chd: ok: boot file: 1ST_READ.BIN is in the file system at LBA 45724, 515.3 KiB: it fits where the console loads it
check chd/cdr.chd|0|chd/cdr.chd: cannot tell: layout: a CD of audio and data tracks in a CHD, which keeps no sessions: Dreamcast CD-Rs are made of two (audio + data, or data + data)
check chd/child.chd|1|quillet: chd/child.chd: the CHD holds only what differs from a parent CHD, another file: make a whole one with chdman copy and the parent (-ip)
convert --to scrambled chd/gdi.chd -o chd/gdi.chd|1|quillet: chd/gdi.chd: its result chd/gdi.chd is the disc image, which Quillet never writes; nothing written
convert --to scrambled cd-r/disc.cue -o linked.bin|1|quillet: cd-r/disc.cue: its result linked.bin is cd-r/Track 2.bin, a track file of cd-r/disc.cue, which Quillet never writes; nothing written
check nested/disc.cue|0|nested/disc.cue: ok: placement: track 2 at LBA 11702 holds a file system made to begin there
convert --to scrambled nested/disc.cue -o nested-track.bin|1|quillet: nested/disc.cue: its result nested-track.bin is nested/tracks/Track 2.bin, a track file of nested/disc.cue, which Quillet never writes; nothing written
convert --to scrambled -o /proc/version $program|1|quillet: $program: cannot write /proc/version: Path/File access error: its folder /proc takes no new files
ROWS

# A name that a blank ends is quoted, so that the blank is seen.
cp gone.cue "gone.cue "
set +e
output=$("$quillet" check "gone.cue " 2>&1)
set -e
if [[ $output == 'quillet: "gone.cue ": its track file gone.bin: File not found' ]]; then
  echo "ok: a name a blank ends is quoted"
else
  echo "FAIL: a name a blank ends: $output"
  failures=$((failures + 1))
fi

# A cue sheet's boot file and a CHD's, written out, are the program byte for byte.
"$quillet" convert --to unscrambled -o boot.bin cd-r/disc.cue >/dev/null
"$quillet" convert --to unscrambled -o redump.bin dump/redump.cue >/dev/null
"$quillet" convert --to unscrambled -o split.bin chd/split.chd >/dev/null
"$quillet" convert --to unscrambled -o cdr.bin chd/cdr.chd >/dev/null
if cmp -s boot.bin "$program" && cmp -s redump.bin "$program" && cmp -s split.bin "$program" && cmp -s cdr.bin "$program"; then
  echo "ok: the boot file of each cue sheet and CHD is the program"
else
  echo "FAIL: a cue sheet's or CHD's boot file differs from the program"
  failures=$((failures + 1))
fi

# quillet scan --json: the same checks, and the report in a line.
if "$quillet" scan --json dk.cdi | grep -qF '"checks": [{"name": "boot code", "result": "cannot tell"' &&
   "$quillet" scan --json dk.cdi | grep -qF '"summary": "cannot tell whether it boots: '; then
  echo "ok: quillet scan --json gives the checks and the summary"
else
  echo "FAIL: quillet scan --json: $("$quillet" scan --json dk.cdi)"
  failures=$((failures + 1))
fi
# Under a 16 MB limit: a CHD that claims more is refused before memory is taken, one that needs more
# is that file's error in a sentence, and the next file is still done; JSON stays whole.
# (AddressSanitizer reserves its shadow memory at start, which no address-space limit allows.)
if [[ $(ldd "$quillet") == *libasan* ]]; then
  echo "skip: a 16 MB limit (a sanitizer build)"
else
  for command in scan check "scan --json"; do
    set +e
    output=$(bash -c "ulimit -v 16384; exec '$quillet' $command '$hostile/claims.chd' '$hostile/hunk.chd' dk.cdi" 2>&1)
    got=$?
    set -e
    if [[ $got -eq 1 && $output == *"claims.chd"*"an entry of its metadata runs past the file's end"* &&
          $output == *"hunk.chd"*"Out of memory"* && $output == *"dk.cdi"*"1ST_READ.BIN"* ]] &&
       { [[ $command != "scan --json" ]] || [[ $output == *']' ]]; }; then
      echo "ok: quillet $command under a 16 MB limit"
    else
      echo "FAIL: quillet $command under a 16 MB limit: exit $got, said:"$'\n'"$output"
      failures=$((failures + 1))
    fi
  done
fi
exit $((failures > 0))
