#!/usr/bin/env bash
# Builds the Windows programs (build/win64/dist) and, unless "win64" is the
# only argument, the native test build (build/native).
set -euo pipefail
cd "$(dirname "$0")/.."
# Two cores: more jobs than that only thrash.
export CMAKE_BUILD_PARALLEL_LEVEL="${CMAKE_BUILD_PARALLEL_LEVEL:-2}"

cmake -S . -B build/win64 -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake >/dev/null
cmake --build build/win64

if [ "${1:-}" != "win64" ]; then
  cmake -S . -B build/native -G Ninja -DCMAKE_BUILD_TYPE=Debug >/dev/null
  cmake --build build/native
fi
