#!/usr/bin/env bash
# Installs the Debian packages the project needs, skipping those already present. Runs as root
# (or through sudo) on a fresh Debian 12.
#   tools/install-deps.sh       everything: the builds, the tests and the Windows cross build
#   tools/install-deps.sh run   only what tavos-sim needs (make run)
# 32-bit Wine (wine32:i386) runs the shipped i686 pair; it needs the i386 architecture.
set -euo pipefail
# tavos-sim: a compiler, CMake, windres for the program's resources, editline for its prompt.
run_packages=(cmake ninja-build g++ make binutils binutils-mingw-w64-x86-64 libedit-dev ccache)
packages=(
  "${run_packages[@]}"
  googletest libgtest-dev libgmock-dev libbenchmark-dev
  clang libclang-rt-14-dev
  mingw-w64 binutils-mingw-w64-i686
  wine wine64 wine32:i386 fonts-wine xvfb xauth imagemagick
  locales  # localedef: the Wine runs' languages (LOCPATH, no change to the system's locales)
)
case ${1:-all} in
  run) packages=("${run_packages[@]}") ;;
  all) ;;
  *) echo "usage: $0 [run]" >&2; exit 2 ;;
esac
sudo_cmd=()
[ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
export DEBIAN_FRONTEND=noninteractive
added_arch=0
if [ "${1:-all}" = all ] && ! dpkg --print-foreign-architectures | grep -qx i386; then
  "${sudo_cmd[@]}" dpkg --add-architecture i386
  added_arch=1
fi
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && [ $added_arch -eq 0 ] && exit 0
echo "installing: ${missing[*]}"
"${sudo_cmd[@]}" apt-get update -qq
[ ${#missing[@]} -eq 0 ] || "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
