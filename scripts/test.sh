#!/usr/bin/env bash
# Installs what is missing, builds Vantrel with warnings as errors and runs the whole test suite.
# The network lab tests need root (network namespaces); without it they are reported as skipped.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh --tests
cmake -S . -B build-tests -DCMAKE_BUILD_TYPE=Debug -DVANTREL_WERROR=ON
cmake --build build-tests -j2
cd build-tests
if [ "$(id -u)" -eq 0 ] || ! command -v sudo >/dev/null; then
    exec ctest --output-on-failure -j1
fi
exec sudo ctest --output-on-failure -j1
