#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the demonstration
# need, when any is missing. Safe to run again: it does nothing when all are
# present. Needs root (or sudo) only when something must be installed.
set -euo pipefail

# clang and libclang-rt-dev (libFuzzer and clang's sanitizer runtimes) build the
# fuzz targets; llvm gives sanitizer reports their symbolizer; git checks
# merges against git merge-file in the tests and is timed beside vantool.
packages=(g++ cmake make libgtest-dev libgmock-dev libbenchmark-dev libsqlite3-dev
          pkg-config libgit2-dev clang libclang-rt-dev llvm git)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then sudo_cmd=(sudo); fi
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -qq
"${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
