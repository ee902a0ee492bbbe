#!/usr/bin/env bash
# Installs what building and testing need on a Debian machine, and nothing
# when it is all there already.
set -euo pipefail

packages=(cmake ninja-build g++-mingw-w64-x86-64-posix wine wine64 xvfb xauth
          fonts-wine fonts-liberation fonts-dejavu-core fonts-ipafont-gothic
          fonts-wqy-microhei googletest python3
          # The byte readers' fuzz targets: clang's libFuzzer and sanitizers.
          clang
          # The script engine's benchmark, built natively with GCC as well.
          g++
          # Wine's Media Foundation decodes through GStreamer: MP3, FLAC and Ogg
          # need base and good, AAC and WMA libav.
          gstreamer1.0-plugins-base gstreamer1.0-plugins-good gstreamer1.0-libav
          # Encoders that make the audio tests' sample files.
          flac vorbis-tools lame ffmpeg)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
  echo "setup: installing ${missing[*]}"
  sudo_cmd=()
  [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
  "${sudo_cmd[@]}" apt-get update -q
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
fi
