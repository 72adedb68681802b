#!/usr/bin/env bash
# dcscram when the disk fills up: a real full file system (a 64 KiB tmpfs in a private mount
# namespace) and a file-size limit. Either way: status 1, one sentence naming OUT, OUT as it was,
# no temporary file left behind.
# Arguments: DCSCRAM INPUT (a file of more than 64 KiB).
set -euo pipefail
dcscram=$1
input=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

check_failure() {  # folder, status, stderr
  local folder=$1 status=$2 err=$3
  [[ $status -eq 1 ]] || { echo "exit status $status, expected 1"; return 1; }
  [[ $err == "dcscram: cannot write '$folder/out.bin': Disk full"* ]] || { echo "unexpected message: $err"; return 1; }
  [[ $(cat "$folder/out.bin") == "earlier result" ]] || { echo "OUT was changed"; return 1; }
  [[ $(ls -A "$folder") == "out.bin" ]] || { echo "left behind: $(ls -A "$folder")"; return 1; }
}

# A file-size limit: writes past it fail with EFBIG (the signal it would raise is ignored).
mkdir "$work/limited"
echo "earlier result" >"$work/limited/out.bin"
set +e
err=$(bash -c "trap '' XFSZ; ulimit -f 16; exec '$dcscram' '$input' '$work/limited/out.bin'" 2>&1)
status=$?
set -e
check_failure "$work/limited" "$status" "$err"
echo "file-size limit: refused cleanly"

# A full file system, where mount namespaces are allowed (root in CI).
if unshare -m true 2>/dev/null; then
  mkdir "$work/full"
  set +e
  err=$(unshare -m bash -c "mount -t tmpfs -o size=64k none '$work/full' &&
                            echo 'earlier result' >'$work/full/out.bin' &&
                            '$dcscram' '$input' '$work/full/out.bin'; status=\$?
                            cat '$work/full/out.bin' >'$work/full-out'; ls -A '$work/full' >'$work/full-ls'; exit \$status" 2>&1)
  status=$?
  set -e
  [[ $status -eq 1 ]] || { echo "full disk: exit status $status, expected 1 ($err)"; exit 1; }
  [[ $err == "dcscram: cannot write '$work/full/out.bin': Disk full"* ]] || { echo "full disk: $err"; exit 1; }
  [[ $(cat "$work/full-out") == "earlier result" ]] || { echo "full disk: OUT was changed"; exit 1; }
  [[ $(cat "$work/full-ls") == "out.bin" ]] || { echo "full disk: left behind: $(cat "$work/full-ls")"; exit 1; }
  echo "full file system: refused cleanly"
else
  echo "full file system: not tested (no mount namespaces here)"
fi
