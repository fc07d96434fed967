#!/bin/bash
# Installs what building, testing and the demo need on Debian 12 (as root, no
# input) and makes the ja_JP.UTF-8 locale. Quick when everything is there.
set -eu

packages="wine wine64 g++-mingw-w64-x86-64-posix cmake libboost1.81-dev googletest xvfb xauth
fonts-ipafont locales python3 openssl ca-certificates ffmpeg libxml2-utils imagemagick clang libclang-rt-14-dev clang-format"
missing=""
for p in $packages; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing="$missing $p"
done
if [ -n "$missing" ]; then
    if [ "$(id -u)" != 0 ]; then
        echo "Missing packages:$missing (run as root to install them)" >&2
        exit 1
    fi
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -q
    apt-get install -y -q $missing
fi
if ! locale -a 2>/dev/null | grep -qi '^ja_JP\.utf-\?8$'; then
    sed -i 's/^# *\(ja_JP.UTF-8 UTF-8\)/\1/' /etc/locale.gen
    grep -q '^ja_JP.UTF-8 UTF-8' /etc/locale.gen || echo 'ja_JP.UTF-8 UTF-8' >> /etc/locale.gen
    locale-gen
fi
