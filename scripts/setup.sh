#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Installs the Debian packages listed in scripts/packages.txt (building and
# running) that are not yet installed; "setup.sh test" also those of
# scripts/packages-test.txt (testing, checking, packaging). Quick and silent
# when everything is present; uses sudo when not root.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"

lists=("$here/packages.txt")
[[ "${1:-}" == test ]] && lists+=("$here/packages-test.txt")
wanted=$(grep -h -v -E '^\s*(#|$)' "${lists[@]}")
missing=()
for pkg in $wanted; do
  status=$(dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null || true)
  [[ "$status" == "install ok installed" ]] || missing+=("$pkg")
done
[[ ${#missing[@]} -eq 0 ]] && exit 0

sudo=""
if [[ $(id -u) -ne 0 ]]; then
  command -v sudo >/dev/null || { echo "setup: need root or sudo to install: ${missing[*]}" >&2; exit 1; }
  sudo="sudo"
fi
echo "setup: installing ${missing[*]}" >&2
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
