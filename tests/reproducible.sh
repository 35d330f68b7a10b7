#!/usr/bin/env bash
# Builds twice under Debian's reprotest, each time in a copy of the sources,
# and fails unless the artifacts are the same bytes. In a git work tree the
# copy holds what git tracks and the new files it does not ignore; in a tree
# unpacked from a release tarball (git archive), every file but the build
# folders. The second build varies everything reprotest varies by default
# (build path, time, locales, time zone, umask, environment, home, number of
# CPUs, host and domain name, kernel version, file order, exec path, ASLR)
# except:
# - user_group: it needs a second account, and Debian 12's reprotest runs
#   it through "sudo -h localhost", which Debian 12's sudo refuses;
# - fileordering where FUSE is not open to the user (or not there), or no
#   disorderfs reorders with it;
# - domain_host where the user may not make a user namespace to change the
#   host name in (as a user may not inside a chroot).
# Usage: reproducible.sh SOURCE_FOLDER BUILD_COMMAND ARTIFACT_PATTERN
set -euo pipefail
source=$1
command=$2
artifacts=$3
copy=$(mktemp -d "${TMPDIR:-/tmp}/psviewer-reprotest.XXXXXX")
trap 'rm -rf "$copy"' EXIT
sources() {
  if git -C "$source" rev-parse --is-inside-work-tree >/dev/null 2>&1; then
    git -C "$source" ls-files -z --cached --others --exclude-standard
  else
    (cd "$source" && find . -path './build*' -prune -o \( -type f -o -type l \) -print0)
  fi
}
# A file that git tracks but that was deleted is left out.
sources | (cd "$source" && tar --null --ignore-failed-read -T - -cf - 2>/dev/null) |
  tar -xf - -C "$copy"
vary=-user_group
if [[ ! -r /dev/fuse || ! -w /dev/fuse ]] || ! command -v disorderfs >/dev/null; then
  vary+=,-fileordering
fi
if ! unshare -r --uts true 2>/dev/null; then
  vary+=,-domain_host
fi
log=$copy.log
if ! (cd "$copy" && reprotest --vary="$vary" -s . "$command" "$artifacts") >"$log" 2>&1; then
  grep -v "^ " "$log" | tail -40
  echo "reprotest: $artifacts differ between two builds, or a build failed (--vary=$vary)"
  rm -f "$log"
  exit 1
fi
rm -f "$log"
echo "reprotest: $artifacts the same with every variation but ${vary//-/}"
