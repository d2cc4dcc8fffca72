#!/usr/bin/env bash
# Installs the Debian 12 packages Orlune needs to build, run and test. Runs as root, or
# through sudo for a user who may use it.
set -euo pipefail

packages=(
    cmake ninja-build g++ clang pkg-config
    qt6-base-dev qt6-multimedia-dev qt6-speech-dev qt6-declarative-dev qt6-speech-flite-plugin
    libqt6sql6-sqlite qt6-qpa-plugins qt6-translations-l10n
    libsndfile1-dev libespeak-ng-dev espeak-ng-data libsoundtouch-dev libfftw3-dev libpulse-dev flite
    fonts-noto-cjk fonts-liberation2 fonts-sil-doulos
    pulseaudio pulseaudio-utils xvfb xauth xdotool sqlite3
    gstreamer1.0-plugins-good libclang-rt-14-dev libzip-dev
)

as_root=()
if [ "$(id -u)" -ne 0 ]; then
    as_root=(sudo)
fi

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ "${#missing[@]}" -gt 0 ]; then
    "${as_root[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${as_root[@]}" apt-get install -y -qq --no-install-recommends \
        "${missing[@]}"
fi
