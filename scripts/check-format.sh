#!/usr/bin/env bash
# Fails when a C++ file of the project differs from what the project's .clang-format makes of it.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh --format
git ls-files '*.cpp' '*.h' | xargs clang-format-14 --dry-run --Werror
echo "format: all C++ files follow .clang-format"
