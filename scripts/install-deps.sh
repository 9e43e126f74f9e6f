#!/usr/bin/env bash
# Installs every Debian package Quorel needs to build, run and test; with
# --bench also OpenCV, which the benchmarks compare against (never linked into
# the program or the tests).
# Idempotent: quiet when everything is present; runs apt-get update only when
# something is missing; uses sudo only when not root.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config
  qtbase5-dev libqt5opengl5-dev qt5-image-formats-plugins
  libglew-dev libspdlog-dev libfmt-dev nlohmann-json3-dev liblua5.4-dev
  libfreetype-dev libstb-dev libpng-dev libjpeg62-turbo-dev libtiff-dev
  libavcodec-dev libavformat-dev libavutil-dev libswscale-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  xvfb xauth libgl1-mesa-dri
  fonts-liberation2 fonts-open-sans fonts-ipafont-gothic
  ffmpeg librsvg2-bin locales
)
[[ "${1:-}" == "--bench" ]] && packages+=(libopencv-imgproc-dev)

missing=()
for p in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
  [[ "$status" == "install ok installed" ]] || missing+=("$p")
done
[[ ${#missing[@]} -eq 0 ]] && exit 0

echo "Installing missing packages: ${missing[*]}"
sudo_cmd=()
[[ $(id -u) -ne 0 ]] && sudo_cmd=(sudo)
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -q >/dev/null
"${sudo_cmd[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}" >/dev/null
echo "Packages installed."
