# Shared by the end-to-end scripts: waits until process $1 maps file $2, or (wait_for_open) holds
# it open, reading it then; or ends.
wait_for_mapping() {
  for _ in $(seq 1000); do
    grep -qF "$2" "/proc/$1/maps" 2>/dev/null && return 0
    kill -0 "$1" 2>/dev/null || return 1
    sleep 0.01
  done
  return 1
}
wait_for_open() {
  for _ in $(seq 1000); do
    for fd in "/proc/$1/fd"/*; do [[ $(readlink "$fd" 2>/dev/null) == "$2" ]] && return 0; done
    kill -0 "$1" 2>/dev/null || return 1
    sleep 0.01
  done
  return 1
}

# Runs quillet ($1) with each row of standard input, "arguments|exit status|a line the output must
# hold" (standard output, then error), and says ok or FAIL of each, counting failures in $failures.
run_rows() {
  local quillet=$1 arguments status line output got
  while IFS='|' read -r arguments status line; do
    read -r -a args <<<"$arguments"
    set +e
    output=$("$quillet" "${args[@]}" 2>&1)
    got=$?
    set -e
    if [[ $got -eq $status ]] && grep -qxF -- "$line" <<<"$output"; then
      echo "ok: quillet $arguments"
    else
      echo "FAIL: quillet $arguments: exit $got, said:"$'\n'"$output"
      failures=$((failures + 1))
    fi
  done
}
