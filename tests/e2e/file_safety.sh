#!/usr/bin/env bash
# dcscram and quillet as a careless or hostile world treats them: full disks, file-size limits,
# signals, files truncated while read, write-protected and set-user-ID outputs, links, long names.
# Whatever happens: OUT is either the complete new file or exactly as it was, nothing is left
# behind, and a failure is one sentence and a non-zero status.
# Arguments: DCSCRAM QUILLET INPUT (a real raw binary of more than 64 KiB).
set -euo pipefail
dcscram=$1
quillet=$2
input=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
pass() { echo "ok: $*"; }

# A folder holding OUT, which holds "earlier result".
fresh() {  # folder
  rm -rf "$1"
  mkdir -p "$1"
  echo "earlier result" >"$1/out.bin"
}
# OUT as it was, and nothing else in its folder.
untouched() {  # case, folder
  [[ $(cat "$2/out.bin") == "earlier result" ]] || { fail "$1: OUT was changed"; return 1; }
  [[ $(ls -A "$2") == "out.bin" ]] || { fail "$1: left behind: $(ls -A "$2" | tr '\n' ' ')"; return 1; }
}
# Runs a command, keeping its status and standard error.
run() {
  set +e
  err=$("$@" 2>&1 >/dev/null)
  status=$?
  set -e
}
# wait_for_mapping PID FILE, wait_for_open PID FILE
source "$(dirname "$0")/helpers.sh"

# --- Write failures: a file-size limit, and a full file system.
fresh "$work/limited"
run bash -c "ulimit -f 16; exec '$dcscram' '$input' '$work/limited/out.bin'"
if [[ $status -eq 1 && $err == "dcscram: cannot write '$work/limited/out.bin': Disk full: the file is larger"* ]]; then
  untouched "file-size limit" "$work/limited" && pass "file-size limit: a message, status 1, nothing left"
else
  fail "file-size limit: status $status, message: $err"
fi

if unshare -m true 2>/dev/null; then
  mkdir "$work/full"
  run unshare -m bash -c "mount -t tmpfs -o size=64k none '$work/full' &&
                          echo 'earlier result' >'$work/full/out.bin' &&
                          '$dcscram' '$input' '$work/full/out.bin'; status=\$?
                          cat '$work/full/out.bin' >'$work/full-out'; ls -A '$work/full' >'$work/full-ls'; exit \$status"
  if [[ $status -eq 1 && $err == "dcscram: cannot write '$work/full/out.bin': Disk full"* &&
        $(cat "$work/full-out") == "earlier result" && $(cat "$work/full-ls") == "out.bin" ]]; then
    pass "full file system: refused cleanly"
  else
    fail "full file system: status $status, message: $err"
  fi
else
  echo "skip: full file system (no mount namespaces here)"
fi

# --- Signals in the middle of a large conversion: OUT as it was, the temporary file removed, and
# the process still ends by the signal. The input is sparse: a gigabyte that takes no disk space.
truncate -s 1G "$work/large.bin"
for signal in INT TERM HUP QUIT PIPE USR1 USR2 ALRM; do
  fresh "$work/signal"
  # Background jobs start with SIGINT and SIGQUIT ignored, which the programs keep ignored; a
  # person's Ctrl+C reaches a foreground program.
  env --default-signal=INT,QUIT "$dcscram" "$work/large.bin" "$work/signal/out.bin" &
  pid=$!
  wait_for_mapping "$pid" "$work/large.bin" || true
  sleep 0.1
  kill -s "$signal" "$pid"
  set +e
  wait "$pid" 2>/dev/null
  status=$?
  set -e
  expected=$((128 + $(kill -l "$signal")))
  if [[ $status -eq $expected ]]; then
    untouched "SIG$signal" "$work/signal" && pass "SIG$signal: ended by the signal, OUT intact, nothing left"
  else
    fail "SIG$signal: status $status, expected $expected"
  fi
done

# --- A signal the moment the temporary file gets its name: held back by a tracer at the end of the
# call that gives it (the linkat that names a file written without a name, or else the openat that
# makes it under its name), while the signal is sent.
if command -v strace >/dev/null; then
  fresh "$work/making"
  ASAN_OPTIONS=detect_leaks=0 strace -e trace=openat,linkat -o "$work/opens" "$dcscram" "$input" "$work/making/out.bin"
  rm -f "$work/making/out.bin"
  naming=$(grep -m1 -o -E '^(linkat|openat)\(.*(O_CREAT\|O_EXCL|AT_SYMLINK_FOLLOW)' "$work/opens" | cut -d'(' -f1)
  making=$(grep -c "^$naming(" <(sed -n '/O_CREAT|O_EXCL\|AT_SYMLINK_FOLLOW/q;p' "$work/opens") || true)
  ASAN_OPTIONS=detect_leaks=0 env --default-signal=INT strace -o /dev/null -e trace=openat,linkat \
    -e inject=$naming:delay_exit=1000000:when=$((making + 1)) "$dcscram" "$input" "$work/making/out.bin" &
  tracer=$!
  sleep 0.5
  pkill -INT -P "$tracer" || true
  wait "$tracer" 2>/dev/null || true
  if [[ -z $(ls -A "$work/making") ]]; then
    pass "a signal as the temporary file is made: nothing left"
  else
    fail "a signal as the temporary file is made left: $(ls -A "$work/making")"
  fi
fi

# --- quillet fix writes a set of track files whole or not at all: a signal, or a kill, at each of its
# first ten fsyncs (a tracer sends it as the call begins) leaves either nothing or the whole set,
# never part of it, nor a temporary file; a kill once the set's files have their names in its hidden
# folder (as it is read back) leaves that folder, which the next run names.
gdi_folder="$(dirname "$input")/disc/gdi"
if [[ -f $gdi_folder/disc.gdi ]] && command -v strace >/dev/null; then
  mkdir "$work/set"
  cp "$gdi_folder"/* "$work/set/"
  originals=$(ls -A "$work/set")
  export QUILLET_TRUSTED_BOOT_CODE
  QUILLET_TRUSTED_BOOT_CODE=$("$quillet" scan --json "$work/set/disc.gdi" | sed -n 's/.*"boot_code": "\([0-9a-f]*\)".*/\1/p')
  # The image is opened once, each of its files once, for what they are and the work: fix's plan and
  # copy, convert's boot file.
  for command in "fix --regions U -o $work/whole/disc.gdi" "convert --to scrambled -o $work/boot.bin"; do
    # shellcheck disable=SC2086 # the command's words
    ASAN_OPTIONS=detect_leaks=0 strace -f -e trace=openat -o "$work/opens" "$quillet" $command "$work/set/disc.gdi" >/dev/null
    opened=$(grep -o "\"$work/set/[^\"]*\"" "$work/opens" | sort | uniq -c | awk '{print $1}' | sort -u | tr '\n' ' ')
    [[ $opened == "1 " ]] && pass "quillet ${command%% *} opens each file of its image once" ||
      fail "quillet ${command%% *} opens the files of its image this often: $opened"
  done
  halves=0 seen=""
  for signal in TERM KILL; do
    for at in $(seq 10); do
      ASAN_OPTIONS=detect_leaks=0 strace -f -o /dev/null -e trace=fsync -e inject=fsync:signal=$signal:when=$at \
        "$quillet" fix --regions U "$work/set/disc.gdi" >/dev/null 2>&1 &
      wait $! 2>/dev/null || true
      state=nothing
      if [[ -e $work/set/disc_fixed ]]; then
        state=half
        diff -r "$work/whole" "$work/set/disc_fixed" >/dev/null && state=whole
      fi
      rm -rf "$work/set/disc_fixed"
      if [[ $state != half && $(ls -A "$work/set") == "$originals" ]]; then
        seen="$seen $state"
      else
        fail "SIG$signal at fsync $at while a set is written left: $(ls -A "$work/set" | tr '\n' ' ')"
        rm -rf "$work/set"/.disc_fixed.*
        halves=$((halves + 1))
      fi
    done
  done
  # Both outcomes seen: the signals landed before the set took its place, and after.
  [[ $halves -eq 0 && $seen == *nothing* && $seen == *whole* ]] &&
    pass "SIGTERM or SIGKILL at each of a set's first ten fsyncs: nothing or the whole set ($seen)"
  ASAN_OPTIONS=detect_leaks=0 strace -f -o "$work/opens" -e trace=openat "$quillet" fix --regions U "$work/set/disc.gdi" \
    >/dev/null 2>&1
  rm -rf "$work/set/disc_fixed"
  reading=$(grep -c '' <(sed -n '/\.disc_fixed\..*disc\.gdi/q;p' "$work/opens"))
  ASAN_OPTIONS=detect_leaks=0 strace -f -o /dev/null -e trace=openat -e inject=openat:signal=KILL:when=$((reading + 1)) \
    "$quillet" fix --regions U "$work/set/disc.gdi" >/dev/null 2>&1 &
  wait $! 2>/dev/null || true
  run "$quillet" fix --regions U "$work/set/disc.gdi"
  if [[ $status -eq 0 && $err == "quillet: $work/set/.disc_fixed."*".tmp (a folder) is left from an earlier run that was stopped: remove it" ]] &&
     diff -r "$work/whole" "$work/set/disc_fixed" >/dev/null; then
    pass "a killed run's hidden folder is named by the next, which writes the set"
  else
    fail "after a killed run: status $status, $err"
  fi
  # A fixed copy onto a read-only or a full file system: the sentence names the copy, nothing is left.
  if unshare -m true 2>/dev/null; then
    for target in fix-read-only:ro fix-full:size=64k; do
      kind=${target%%:*}
      kind=${kind#fix-}
      mkdir "$work/${target%%:*}"
      run unshare -m bash -c "mount -t tmpfs -o ${target#*:} none '$work/${target%%:*}' &&
                              '$quillet' fix -o '$work/${target%%:*}/fixed.cdi' '$(dirname "$input")/disc/selfboot.cdi'; status=\$?
                              ls -A '$work/${target%%:*}' >'$work/${target%%:*}-ls'; exit \$status"
      if [[ $status -eq 1 && $err == "quillet: $(dirname "$input")/disc/selfboot.cdi: cannot write $work/${target%%:*}/fixed.cdi: "*"; nothing written" &&
            -z $(cat "$work/${target%%:*}-ls") ]]; then
        pass "a fixed copy onto a ${kind} file system: the copy named, nothing left"
      else
        fail "a fixed copy onto a ${kind} file system: status $status, $err, left: $(cat "$work/${target%%:*}-ls")"
      fi
    done
  fi
  unset QUILLET_TRUSTED_BOOT_CODE
  rm -rf "$work/set" "$work/whole"
else
  echo "skip: a signal while a set is written (no strace, or no .gdi fixture)"
fi

# --- The input truncated by another program while it is read.
cp --sparse=always "$work/large.bin" "$work/shrinking.bin"
fresh "$work/shrink"
set +e
"$dcscram" "$work/shrinking.bin" "$work/shrink/out.bin" 2>"$work/shrink-err" &
pid=$!
wait_for_mapping "$pid" "$work/shrinking.bin" && truncate -s 100 "$work/shrinking.bin"
wait "$pid"
status=$?
set -e
err=$(cat "$work/shrink-err")
if [[ $status -eq 1 && $err == "dcscram: cannot read '$work/shrinking.bin': "*"truncated it while it was being read)" ]]; then
  untouched "IN truncated" "$work/shrink" && pass "IN truncated while read: a message, status 1, nothing left"
else
  fail "IN truncated while read: status $status, message: $err"
fi

# quillet scan of many files, one of which shrinks meanwhile: every other verdict is printed, the
# JSON stays whole, the truncated file is named with its error.
mkdir "$work/many"
for i in $(seq -w 1 50); do head -c 2000 "$input" >"$work/many/$i.bin"; done
cp --sparse=always "$work/large.bin" "$work/many/25.bin"
set +e
"$quillet" scan --json "$work"/many/*.bin >"$work/many.json" 2>"$work/many-err" &
pid=$!
wait_for_open "$pid" "$work/many/25.bin" && truncate -s 100 "$work/many/25.bin"
wait "$pid"
status=$?
set -e
verdicts=$(grep -c '"verdict": ' "$work/many.json" || true)
if [[ $status -eq 1 && $verdicts -eq 49 && $(tail -n 1 "$work/many.json") == "]" &&
      $(grep -c "25.bin\", \"error\": \"Device I/O error" "$work/many.json") -eq 1 &&
      $(cat "$work/many-err") == "quillet: $work/many/25.bin: Device I/O error"*"truncated it while it was being read)" ]]; then
  pass "quillet scan with a file truncated meanwhile: 49 verdicts, the file's own error, exit 1"
else
  fail "quillet scan with a file truncated meanwhile: status $status, $verdicts verdicts, stderr: $(cat "$work/many-err")"
fi

# --- Names: OUT of any legal length; OUT a link, live or dangling, is written through.
for length in 242 255; do
  name=$(printf "%0$((length - 4))d.bin" 0)
  mkdir -p "$work/long"
  if "$dcscram" "$input" "$work/long/$name" && "$dcscram" -d "$work/long/$name" "$work/long/$name" &&
     cmp -s "$input" "$work/long/$name"; then
    pass "OUT name of $length bytes"
  else
    fail "OUT name of $length bytes"
  fi
  rm -rf "$work/long"
done

# --- Owners and permissions, which need root to set up and a second user to try.
if [[ $(id -u) -eq 0 ]] && id nobody >/dev/null 2>&1; then
  chmod 755 "$work"
  cp "$dcscram" "$work/dcscram"
  as_nobody() { setpriv --reuid=nobody --regid=nogroup --clear-groups "$@"; }
  nobody_group=$(id -gn nobody)

  # Root replaces another user's set-user-ID file: it stays that user's, so no root program appears.
  fresh "$work/suid"
  chown nobody:"$nobody_group" "$work/suid/out.bin"
  chmod 6755 "$work/suid/out.bin"
  "$work/dcscram" "$input" "$work/suid/out.bin"
  if [[ $(stat -c '%U:%G %a' "$work/suid/out.bin") == "nobody:$nobody_group 6755" ]]; then
    pass "root replacing nobody's set-user-ID file keeps its owner and group"
  else
    fail "root replacing nobody's set-user-ID file: now $(stat -c '%U:%G %a' "$work/suid/out.bin")"
  fi

  # A user replacing their own set-group-ID file of a group they are not in: the group cannot be
  # kept, so neither can set-user-ID and set-group-ID.
  fresh "$work/sgid"
  chown -R nobody:"$nobody_group" "$work/sgid"
  chgrp root "$work/sgid/out.bin"
  chmod 6755 "$work/sgid/out.bin"
  as_nobody "$work/dcscram" "$input" "$work/sgid/out.bin"
  if [[ $(stat -c '%U:%G %a' "$work/sgid/out.bin") == "nobody:$nobody_group 755" ]]; then
    pass "a group that cannot be kept drops set-user-ID and set-group-ID"
  else
    fail "a group that cannot be kept: now $(stat -c '%U:%G %a' "$work/sgid/out.bin")"
  fi

  # A write-protected OUT in a writable folder is refused, as cp would refuse it; also as IN.
  fresh "$work/protected"
  chown -R nobody:"$nobody_group" "$work/protected"
  chmod 444 "$work/protected/out.bin"
  for case in "other" "same"; do
    source_file=$input
    [[ $case == same ]] && source_file=$work/protected/out.bin
    run as_nobody "$work/dcscram" "$source_file" "$work/protected/out.bin"
    if [[ $status -eq 1 && $err == "dcscram: cannot write '$work/protected/out.bin': Permission denied" ]]; then
      untouched "write-protected OUT ($case IN)" "$work/protected" && pass "write-protected OUT ($case IN): refused"
    else
      fail "write-protected OUT ($case IN): status $status, message: $err"
    fi
  done
else
  echo "skip: owners and permissions (needs root and the user nobody)"
fi

# --- A replaced file's folder is synced after the rename, so that a power cut cannot undo it.
if command -v strace >/dev/null; then
  fresh "$work/sync"
  # (LeakSanitizer cannot work under a tracer.)
  ASAN_OPTIONS=detect_leaks=0 strace -f -e trace=openat,fsync -o "$work/trace" "$dcscram" "$input" "$work/sync/out.bin"
  # The folder's opening, then an fsync of that descriptor.
  folder_fd=$(grep -F "openat(AT_FDCWD, \"$work/sync\", " "$work/trace" | grep -F O_DIRECTORY | sed -n 's/.*= \([0-9]*\)$/\1/p')
  if [[ -n $folder_fd ]] && grep -A1 -F "openat(AT_FDCWD, \"$work/sync\", " "$work/trace" | grep -c "fsync($folder_fd) *= 0" >/dev/null; then
    pass "the folder is synced after replacing a file"
  else
    fail "the folder is not synced after replacing a file"
  fi
else
  echo "skip: folder sync (no strace)"
fi

[[ $failures -eq 0 ]]
