#!/usr/bin/env bash
# The steps of the GitHub Action (action.yml), run on the job's machine:
#
#   github-action.sh install   puts qlx on PATH: QLX_INSTALL=release installs
#       the Debian package qlx_<version>_amd64.deb of the release v<version>
#       of QLX_REPOSITORY (QLX_VERSION: default, the action's own version;
#       QLX_REPOSITORY: default, the action's own repository); source builds
#       qlx from the action's source; auto (the default) tries the release's
#       package and builds from source when it cannot be installed (no such
#       release, or a system without the Debian libraries it was built for).
#   github-action.sh check     runs qlx check --format github QLX_ARGS QLX_PATHS.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
# shellcheck source=../scripts/windows-common.sh
. "$root/scripts/windows-common.sh"
SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"
temp=${RUNNER_TEMP:-${TMPDIR:-/tmp}}

install_release() {
  local version=${QLX_VERSION:-$(qlx_version "$root")} repository=${QLX_REPOSITORY:-}
  # A composite action is not told its repository; the runner keeps it in
  # .../_actions/OWNER/NAME/REF.
  if [ -z "$repository" ] && [[ ${GITHUB_ACTION_PATH:-} =~ /_actions/([^/]+)/([^/]+)/[^/]+/?$ ]]; then
    repository=${BASH_REMATCH[1]}/${BASH_REMATCH[2]}
  fi
  [ -n "$repository" ] || { echo "qlx: no repository to take the release from: set the input repository" >&2; return 1; }
  local deb=qlx_${version}_amd64.deb
  local url=${GITHUB_SERVER_URL:-https://github.com}/$repository/releases/download/v$version/$deb
  echo "qlx: installing $url"
  $SUDO apt-get update -qq || return 1
  # A job in a bare container (container: debian:12) has neither curl nor the
  # certificates of https.
  if ! command -v curl >/dev/null; then
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends curl ca-certificates || return 1
  fi
  curl -fsSL --retry 3 -o "$temp/$deb" "$url" || return 1
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "$temp/$deb" || return 1
}

install_source() {
  echo "qlx: building qlx $(qlx_version "$root") from $root"
  "$root/scripts/install-deps.sh" --build
  cmake -S "$root" -B "$temp/qlx-build" -DCMAKE_BUILD_TYPE=Release -DQLX_TESTS=OFF -DQLX_BENCH=OFF >/dev/null
  cmake --build "$temp/qlx-build" -j"$(nproc)" --target qlx_cli
  $SUDO install -m 755 "$temp/qlx-build/cli/qlx" /usr/local/bin/qlx
}

case ${1:-} in
  install)
    case ${QLX_INSTALL:-auto} in
      release) install_release ;;
      source) install_source ;;
      auto)
        if ! install_release; then
          echo "::notice title=qlx::The release's Debian package could not be installed; building qlx from source"
          install_source
        fi
        ;;
      *) echo "qlx: install must be release, source or auto, not '$QLX_INSTALL'" >&2; exit 2 ;;
    esac
    echo "qlx: $(command -v qlx) $(qlx --version)"
    ;;
  check)
    read -ra paths <<<"$(tr '\n' ' ' <<<"${QLX_PATHS:-.}")"
    read -ra args <<<"${QLX_ARGS:-}"
    exec qlx check --format github "${args[@]}" "${paths[@]}"
    ;;
  *) echo "usage: $0 install|check" >&2; exit 2 ;;
esac
