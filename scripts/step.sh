# shellcheck shell=sh
# Sourced by the scripts that install and build, sh's and bash's alike.
# step LOG COMMAND... runs the command with its input closed and its output
# added to LOG, and on a failure shows the end of the log and ends the
# script.
step() {
  step_log=$1
  shift
  "$@" </dev/null >>"$step_log" 2>&1 && return
  echo "'$*' failed; the end of $step_log:"
  tail -n 30 "$step_log"
  exit 1
}

# The number of processors to build with: nproc is GNU's, getconf is
# POSIX's (macOS has it), and one always works.
cores() {
  nproc 2>/dev/null || getconf _NPROCESSORS_ONLN 2>/dev/null || echo 1
}
