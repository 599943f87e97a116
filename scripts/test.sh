#!/usr/bin/env bash
# Installs what is missing, builds Vantrel with warnings as errors and runs the whole test suite.
# The tests that need root (network lab, package install) run through sudo when not root already.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh --tests
cmake -S . -B build-tests -DCMAKE_BUILD_TYPE=Debug -DVANTREL_WERROR=ON
cmake --build build-tests -j2
exec bash scripts/ctest-split.sh build-tests
