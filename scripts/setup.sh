#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the viewer need.
# Does nothing when every package is already there, so a second run costs a second.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev qt6-base-dev-tools libgl-dev qt6-translations-l10n
  libpcre2-dev zlib1g-dev libjq-dev libcurl4-openssl-dev libidn2-dev
  libgtest-dev libgmock-dev libbenchmark-dev rapidjson-dev libsimdjson-dev libcpp-httplib-dev
  jq nodejs
  clang-14 libclang-rt-14-dev
  fonts-wqy-microhei xvfb xauth x11-utils imagemagick xdotool
  desktop-file-utils appstream python3
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "setup: installing ${missing[*]}" >&2
sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then sudo_cmd=(sudo); fi
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -qq
"${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
