#!/usr/bin/env bash
# Installs the Debian packages that building, testing and packaging qlx need
# (dpkg-dev for the Debian package's dependencies, zip for the VS Code
# extension, pre-commit, zsh and procps for the tests of the hooks, the
# completions and the extension), and any further packages named as
# arguments (scripts/fuzz-deps.sh uses that).
set -euo pipefail

packages=(
  build-essential cmake
  libgtest-dev libgmock-dev libbenchmark-dev
  libicu-dev libcli11-dev nlohmann-json3-dev
  pkg-config libzip-dev
  libreoffice-calc-nogui libreoffice-writer-nogui libgsf-bin python3-olefile
  neovim
  dpkg-dev pre-commit zsh zip unzip procps
  "$@"
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || missing+=("$p")
done

if ((${#missing[@]})); then
  SUDO=""
  [ "$(id -u)" -eq 0 ] || SUDO="sudo"
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# Node.js and npm for the language-server client tests and the VS Code
# extension's compile; a machine that has them from elsewhere keeps its own.
if ! command -v node >/dev/null || ! command -v npm >/dev/null; then
  SUDO=""
  [ "$(id -u)" -eq 0 ] || SUDO="sudo"
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends nodejs npm
fi
