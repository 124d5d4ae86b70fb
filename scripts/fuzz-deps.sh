#!/usr/bin/env bash
# Installs what the fuzz targets need: the build's packages (the targets are
# built without the tests) and clang 14 with its libFuzzer and sanitizer
# runtimes.
set -euo pipefail
exec "$(dirname "$0")/install-deps.sh" --build clang-14 libclang-rt-14-dev
