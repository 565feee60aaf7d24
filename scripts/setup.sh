#!/usr/bin/env bash
# Installs every Debian package that the build, the programs, the tests and
# the benchmarks use. Safe to run again: it only installs what is missing.
set -euo pipefail

packages=(
  g++ cmake make pkg-config git
  libbz2-dev bzip2
  libcurl4-openssl-dev ca-certificates
  libcpp-httplib-dev
  libgtest-dev libgmock-dev
  clang libclang-rt-14-dev
  openssl nginx-light curl python3
  libwxgtk3.2-dev libwxgtk-webview3.2-dev libx11-dev libxext-dev
  xvfb xauth fonts-dejavu-core
)

missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' || missing+=("$package")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
echo "installing: ${missing[*]}"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
