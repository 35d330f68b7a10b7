# shellcheck shell=bash
# Sourced by the scripts that install and build: step LOG COMMAND... runs
# the command with its input closed and its output added to LOG, and on a
# failure shows the end of the log and ends the script.
step() {
  local log=$1
  shift
  "$@" </dev/null >>"$log" 2>&1 && return
  echo "'$*' failed; the end of $log:"
  tail -n 30 "$log"
  exit 1
}
