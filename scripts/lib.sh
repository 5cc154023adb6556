# Shared by the scripts: package installation and the build folder.
# shellcheck shell=bash

KELDO_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

# Packages the build and the tests need on Debian/Ubuntu.
KELDO_PACKAGES_LINUX=(cmake ninja-build g++ pkg-config qt6-base-dev libgtest-dev libgmock-dev googletest
  python3 python3-pil scdoc)
KELDO_PACKAGES_WINDOWS=(g++-mingw-w64-x86-64 wine wine64 wixl)
KELDO_PACKAGES_TEST=(socat xvfb procps x11-utils xauth trayer xdotool imagemagick fonts-liberation openbox
  iproute2)
# The Debian packages (cpack's dependency list), and what checks them.
KELDO_PACKAGES_DEB=(dpkg-dev file)
KELDO_PACKAGES_DEB_TEST=(lintian desktop-file-utils appstream)

keldo_install() {
  local missing=()
  local pkg
  for pkg in "$@"; do
    dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed' || missing+=("$pkg")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "Installing: ${missing[*]}"
  local sudo=()
  [ "$(id -u)" -eq 0 ] || sudo=(sudo)
  "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -qq
  "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

keldo_build() {  # keldo_build <preset>
  cmake --preset "$1" >/dev/null
  cmake --build --preset "$1"
}
