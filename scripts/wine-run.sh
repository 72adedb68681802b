#!/usr/bin/env bash
# Runs a Windows program under Wine in the project's own prefix, creating the prefix on first use.
# Used by ctest for the cross-built tests and by the scripts.
set -euo pipefail
export WINEPREFIX="${QUILLET_WINEPREFIX:-${XDG_CACHE_HOME:-$HOME/.cache}/quillet/wine}"
export WINEDEBUG="${WINEDEBUG:--all}"
# No Mono or Gecko installer dialogs: nothing of ours needs them.
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
if [[ ! -f "$WINEPREFIX/system.reg" ]]; then
  mkdir -p "$WINEPREFIX"
  wineboot -i >/dev/null 2>&1
  wineserver -w
fi
exec wine "$@"
