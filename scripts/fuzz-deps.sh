#!/usr/bin/env bash
# Installs what the fuzz targets need besides the normal build: clang 14 with
# its libFuzzer and sanitizer runtimes.
set -euo pipefail
exec "$(dirname "$0")/install-deps.sh" clang-14 libclang-rt-14-dev
