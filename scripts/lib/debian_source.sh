# shellcheck shell=bash
# Sourced by the scripts that build from Debian's own source packages.
#
#   deb_src_ensure         makes sure apt-get source has a deb-src entry: when
#                          none is there, adds one in a file of its own
#                          (/etc/apt/sources.list.d/plx71-deb-src.sources) and
#                          runs apt-get update; exits when it cannot
#   deb_source_unpack PKG VERSION DEST
#                          fetches source package PKG=VERSION into DEST.dl and
#                          unpacks it to DEST (replaced when there); exits on
#                          failure

deb_src_ensure() {
  # shellcheck disable=SC2016 # a field of apt-get's format, not the shell's
  apt-get indextargets --format '$(CREATED_BY)' 2>/dev/null | grep -qx Sources && return 0
  local sources=/etc/apt/sources.list.d/plx71-deb-src.sources
  local codename keyring=/usr/share/keyrings/debian-archive-keyring.gpg
  codename=$(. /etc/os-release && echo "${VERSION_CODENAME:-bookworm}")
  [ -w /etc/apt/sources.list.d ] ||
    { echo "no deb-src entry for apt-get source and no right to add $sources (run as root)" >&2; exit 1; }
  # The same keyring as Debian's own entry: apt refuses one source with two.
  {
    echo "Types: deb-src"
    echo "URIs: http://deb.debian.org/debian"
    echo "Suites: $codename"
    echo "Components: main"
    [ -f "$keyring" ] && echo "Signed-By: $keyring"
  } >"$sources"
  echo "added $sources (deb-src for apt-get source)"
  apt-get update -qq ||
    { rm -f "$sources"; echo "apt-get update failed with the deb-src entry; removed $sources again" >&2; exit 1; }
}

deb_source_unpack() {
  local package=$1 version=$2 dest=$3
  rm -rf "$dest" "$dest.part"
  mkdir -p "$dest.dl"
  (cd "$dest.dl" && apt-get source --download-only "$package=$version" >/dev/null &&
    dpkg-source -x ./*.dsc "$dest.part" >/dev/null) ||
    { echo "apt-get source $package=$version failed (check the deb-src entry)" >&2; exit 1; }
  mv "$dest.part" "$dest"
}
