#!/usr/bin/env bash
# Makes the Debian package as a user makes it, from the preset's own
# release build, and checks it: the files a user is promised (the program,
# the gzipped manual page, every sample page, the README, the licence, the
# changelog, the desktop entry, its icon and the AppStream metadata),
# dependencies read off the binary, the section, a manual page that mandoc
# finds no error or warning in, a desktop entry and metadata that their
# validators pass, a package that lintian finds nothing in, a hardened
# program, and the same bytes when it is made again, and when it is built
# again under reprotest.
# Usage: package_test.sh WORK_FOLDER SOURCE_FOLDER PRESET [CMAKE-OPTION...]
# with CXX, OBJDUMP and SYSROOT set to the build's compiler, its objdump
# and its CMAKE_SYSROOT (empty where it has none).
set -euo pipefail
work="$1/package-test"
source=$2
preset=$3
configure=$(printf ' %q' "$preset" "${@:4}")
rm -rf "$work"
mkdir -p "$work"
# The preset's build, in a folder of the test's: the path is one of the
# things reprotest varies, so it makes the same package as the preset's
# own folder.
build=$work/build
log=$work/build.log
{ cmake -S "$source" --preset "$preset" "${@:4}" -B "$build" &&
  cmake --build "$build" && (cd "$build" && cpack -G DEB -B "$work/deb"); } >"$log" 2>&1 ||
  { cat "$log"; exit 1; }
debs=("$work"/deb/psviewer_*.deb)
[[ ${#debs[@]} -eq 1 && -f ${debs[0]} ]] || { echo "no single psviewer_*.deb in $work/deb"; exit 1; }
deb=${debs[0]}
echo "package: $(basename "$deb"), from the $preset preset"

failed=0
fail() { echo "FAIL: $*"; failed=1; }

# Built again from the sources, with all that reprotest varies between two
# builds (the umask, the path, the time and the rest), the package is the
# same bytes.
"$(dirname "$0")/reproducible.sh" "$source" \
  "cmake --preset$configure -B build >/dev/null &&
   cmake --build build >/dev/null && cd build && cpack -G DEB >/dev/null" \
  'build/psviewer_*.deb' || fail "the package is not reproducible"

# Made again a second later, the package is the same bytes: its times come
# from the changelog, not the clock.
sleep 1
if ! cpack --config "$build/CPackConfig.cmake" -G DEB -B "$work/again" >>"$log" 2>&1 ||
  ! cmp -s "$deb" "$work/again/$(basename "$deb")"; then
  fail "the package made again a second later differs"
fi

listed=$(dpkg-deb -c "$deb" | awk '{ print $NF }')
desktop=./usr/share/applications/psviewer.desktop
# One AppStream file, named for the id it holds, as AppStream asks.
metainfo=$(grep -E '^\./usr/share/metainfo/[^/]+\.metainfo\.xml$' <<<"$listed" || true)
[[ -n $metainfo && $metainfo != *$'\n'* ]] || fail "the package has not one AppStream file"
expected=(./usr/bin/psviewer ./usr/share/man/man1/psviewer.1.gz
  ./usr/share/doc/psviewer/{README.md,copyright,changelog.gz} "$desktop"
  "$metainfo" ./usr/share/icons/hicolor/scalable/apps/psviewer.svg)
for page in "$source"/examples/*.ps; do
  expected+=("./usr/share/doc/psviewer/examples/$(basename "$page")")
done
for file in "${expected[@]}"; do
  grep -qxF "$file" <<<"$listed" || fail "the package lacks $file"
done

dpkg-deb --fsys-tarfile "$deb" | tar -xOf - ./usr/share/man/man1/psviewer.1.gz |
  gzip -dc | cmp -s - "$build/psviewer.1" ||
  fail "the packaged manual page is not docs/psviewer.1.in as configured, gzipped"

depends=$(dpkg-deb -f "$deb" Depends)
for library in libglut libc6; do
  [[ $depends == *"$library"* ]] || fail "Depends has no $library: $depends"
done
[[ $(dpkg-deb -f "$deb" Section) == graphics ]] || fail "the section is not graphics"

if ! lint=$(mandoc -T lint -W warning "$build/psviewer.1" 2>&1) || [[ -n $lint ]]; then
  fail "mandoc: ${lint:-exit status}"
fi

dpkg-deb -x "$deb" "$work/root"
if ! lint=$(desktop-file-validate "$work/root/$desktop" 2>&1) || [[ -n $lint ]]; then
  fail "desktop-file-validate: ${lint:-exit status}"
fi
grep -qx 'Terminal=true' "$work/root/$desktop" ||
  fail "the desktop entry does not open the viewer in a terminal"
lint=$(appstreamcli validate --no-net "$work/root/$metainfo" 2>&1) ||
  fail "appstreamcli validate: $lint"
grep -qF "<id>$(basename "$metainfo" .metainfo.xml)</id>" "$work/root/$metainfo" ||
  fail "the AppStream file is not named for its id"

# lintian warns on standard error when run as root; what it finds is on
# standard output.
if ! lint=$(lintian -I -E --pedantic "$deb" 2>"$work/lintian.err") || [[ -n $lint ]]; then
  fail "lintian: ${lint:-$(cat "$work/lintian.err")}"
fi

# Fortify and control-flow protection are built in, yet the check cannot
# show them: C++ leaves fortify few calls of known size, and the C
# runtime's start files carry no CET note. The other four it can show.
# Branch protection is arm64's, and checked below; newer checks ask for it
# on every architecture.
checks=(--nofortify --nocfprotection)
if [[ $(hardening-check --help 2>&1) == *--nobranchprotection* ]]; then
  checks+=(--nobranchprotection)
fi
program=$work/root/usr/bin/psviewer
hardening=$(hardening-check "${checks[@]}" "$program") ||
  fail "hardening-check: $hardening"

# On arm64 the program signs its return addresses (PAC). It marks itself for
# branch target identification (BTI) only where the C runtime's start
# files, linked in with it, are marked too; the kernel turns BTI on for a
# program so marked, and for no other.
if [[ $(dpkg-deb -f "$deb" Architecture) == arm64 ]]; then
  signs=$("$OBJDUMP" -d "$program" | grep -c $'\tpaciasp' || true)
  [[ $signs -gt 0 ]] || fail "the arm64 program signs no return address (no paciasp)"
  start=$("$CXX" ${SYSROOT:+--sysroot="$SYSROOT"} -print-file-name=Scrt1.o)
  bti() { readelf -n "$1" | grep -q 'AArch64 feature: BTI'; }
  if bti "$start" && ! bti "$program"; then
    fail "the start files are marked for BTI, the program is not"
  fi
  bti "$program" && marked=yes || marked="no (nor is $(basename "$start"))"
  echo "package: arm64 program: PAC in $signs functions; marked for BTI: $marked"
fi

[[ $failed -eq 0 ]] && echo "package: all checks passed"
exit "$failed"
