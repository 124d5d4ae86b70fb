#!/usr/bin/env bash
# Installs the Debian packages qlx needs, leaving those already there alone:
#
#   scripts/install-deps.sh            building qlx, its tests and its packages
#   scripts/install-deps.sh --build    building and running qlx only
#                                      (cmake -DQLX_TESTS=OFF -DQLX_BENCH=OFF)
#   scripts/install-deps.sh [--build] PACKAGE...   and the packages named
#                                      (scripts/fuzz-deps.sh uses that)
set -euo pipefail

# Building and running qlx: a C++20 compiler, CMake, pkg-config, ICU, CLI11,
# nlohmann-json and libzip.
build_packages=(
  build-essential cmake pkg-config
  libicu-dev libcli11-dev nlohmann-json3-dev libzip-dev
)
# The tests and the benchmarks: GoogleTest and Google Benchmark; LibreOffice,
# gsf and olefile, which read the documents qlx writes; Neovim, a client of
# the language server; dpkg-dev for the Debian package's dependencies, zip
# for the VS Code extension; git, pre-commit, zsh and procps for the tests
# of the hooks, the completions and the extension. Node.js and npm below.
test_packages=(
  libgtest-dev libgmock-dev libbenchmark-dev
  libreoffice-calc-nogui libreoffice-writer-nogui libgsf-bin python3-olefile
  neovim
  dpkg-dev git pre-commit zsh zip unzip procps
)

tests=1
if [ "${1:-}" = --build ]; then
  tests=0
  shift
fi
packages=("${build_packages[@]}")
((tests)) && packages+=("${test_packages[@]}")
packages+=("$@")

SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"
apt_install() {
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "$@"
}

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || missing+=("$p")
done
# Node.js and npm for the language-server client tests and the VS Code
# extension's compile; a machine that has them from elsewhere keeps its own.
if ((tests)) && { ! command -v node >/dev/null || ! command -v npm >/dev/null; }; then
  missing+=(nodejs npm)
fi
if ((${#missing[@]})); then
  apt_install "${missing[@]}"
fi
