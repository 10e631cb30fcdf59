#!/usr/bin/env bash
# Installs every Debian/Ubuntu package the editor, its tests and its tools need, and
# nothing when all of them are already there. Uses sudo when not run as root.
set -euo pipefail

packages=(
    build-essential cmake ninja-build pkg-config
    qt6-base-dev libgl-dev libxcb1-dev qt6-translations-l10n
    libgtest-dev libgmock-dev googletest libbenchmark-dev libyaml-cpp-dev
    default-jdk-headless libyaml-snake-java python3-yaml
    qtkeychain-qt6-dev python3-rcon dbus-daemon
    libssh-dev openssh-server openssh-client
    clang libclang-rt-dev clang-format clang-tidy
    fonts-arphic-uming fonts-wqy-microhei
    xvfb xdotool xclip imagemagick x11-utils parcellite openbox wmctrl qt6ct
    dpkg-dev file
)

missing=()
for package in "${packages[@]}"; do
    status=$(dpkg-query -W -f='${Status}' "$package" 2>/dev/null || true)
    [[ "$status" == "install ok installed" ]] || missing+=("$package")
done
[[ ${#missing[@]} -eq 0 ]] && exit 0

echo "Installing: ${missing[*]}"
sudo=()
if [[ $(id -u) -ne 0 ]]; then
    command -v sudo >/dev/null || { echo "These packages are missing and sudo is not available: ${missing[*]}" >&2; exit 1; }
    sudo=(sudo)
fi
export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get update -qq
"${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
