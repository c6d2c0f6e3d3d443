#!/usr/bin/env bash
# Installs what genzov needs to build and test on Debian 12 (as root, or through sudo).
# Does nothing when everything is already there.
set -euo pipefail

packages=(g++ make cmake zlib1g-dev libmd-dev libgtest-dev python3 binutils clang-format locales)
missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || missing+=("$package")
done
[ ${#missing[@]} -eq 0 ] && exit 0

run_as_root() {
  if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}
echo "Installing: ${missing[*]}"
run_as_root apt-get update -qq
run_as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
