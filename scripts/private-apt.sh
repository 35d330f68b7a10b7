# shellcheck shell=bash
# Sourced by scripts/windows and scripts/arm64, which fetch packages that the
# machine is not to install: Debian's freeglut source, Debian's arm64
# libraries. They run apt in a configuration of their own, with sources of
# their own, so that the machine's configuration stays as it is and no
# repository of the user's (a flat one, one with no sources or no arm64
# index, one signed with its own key) can fail them.
#
# private_apt DIR TYPE SOURCE [APT-OPTION...] sets the array apt to an
# apt-get whose lists, cache and sources lie in DIR (made anew). Its sources
# are a TYPE line (deb or deb-src) for each archive that the machine's apt
# reads which serves SOURCE, a source package's name; Debian's archives are
# checked against Debian's keyring.
private_apt() {
  local dir=$1 type=$2 source=$3
  shift 3
  local keyring=/usr/share/keyrings/debian-archive-keyring.gpg
  rm -rf "$dir"
  mkdir -p "$dir/lists/partial" "$dir/cache/archives/partial"
  # shellcheck disable=SC2016 # apt, not the shell, expands $(ORIGIN) and the rest
  apt-get indextargets --format '$(ORIGIN)|$(FILENAME)|$(REPO_URI) $(RELEASE) $(COMPONENT)' \
    'Identifier: Packages' |
    while IFS='|' read -r origin index repository; do
      /usr/lib/apt/apt-helper cat-file "$index" 2>/dev/null |
        grep -E "^Source: $source( |$)" >/dev/null || continue
      local signed=
      [[ $origin == Debian && -f $keyring ]] && signed="[signed-by=$keyring] "
      echo "$type $signed$repository"
    done | sort -u >"$dir/sources.list"
  if [[ ! -s $dir/sources.list ]]; then
    echo "no archive that apt uses serves $source's packages"
    return 1
  fi
  # shellcheck disable=SC2034 # the caller runs it
  apt=(apt-get -o Dir::Etc::SourceList="$dir/sources.list"
    -o Dir::Etc::SourceParts=/dev/null -o Dir::State::Lists="$dir/lists"
    -o Dir::Cache="$dir/cache" -o Debug::NoLocking=1
    -o APT::Sandbox::User="$(id -un)" "$@")
}
