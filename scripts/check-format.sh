#!/usr/bin/env bash
# Fails when a C++ file of the tree is not as .clang-format (clang-format 14) lays it out.
#   scripts/check-format.sh [SOURCE_ROOT]
set -euo pipefail
cd "${1:-$(cd "$(dirname "$0")/.." && pwd)}"
git ls-files -z 'src/*.cpp' 'src/*.h' 'tests/*.cpp' 'tests/*.h' 'bench/*.cpp' 'bench/*.h' 'fuzz/*.cpp' 'fuzz/*.h' |
  xargs -0 clang-format --dry-run -Werror
echo "format: ok"
