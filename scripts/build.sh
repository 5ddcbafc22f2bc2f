#!/usr/bin/env bash
# Builds the Windows programs (build/win64/dist) and the native sanitizer
# build (build/native): the unit tests and the fuzz targets, with clang under
# AddressSanitizer and UndefinedBehaviorSanitizer. "win64" or "native" as the
# only argument builds that one alone. The benchmarks are built by
# scripts/bench.sh only.
set -euo pipefail
cd "$(dirname "$0")/.."
# Two cores: more jobs than that only thrash.
export CMAKE_BUILD_PARALLEL_LEVEL="${CMAKE_BUILD_PARALLEL_LEVEL:-2}"
which="${1:-both}"

if [ "$which" != native ]; then
  cmake -S . -B build/win64 -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake >/dev/null
  cmake --build build/win64
fi

if [ "$which" != win64 ]; then
  # A native build of older trees was made with g++ and without the fuzz
  # targets; the compiler of a build folder is fixed when it is made.
  if [ -f build/native/CMakeCache.txt ] && ! grep -q '^ZM_FUZZ:BOOL=ON' build/native/CMakeCache.txt; then
    rm -rf build/native
  fi
  # -O1: the unit tests keep a debugger's view, and the fuzz targets run
  # several times as many inputs as without optimisation.
  CC=clang CXX=clang++ cmake -S . -B build/native -G Ninja -DCMAKE_BUILD_TYPE=Debug -DZM_FUZZ=ON \
    "-DCMAKE_C_FLAGS_DEBUG=-g -O1" "-DCMAKE_CXX_FLAGS_DEBUG=-g -O1" >/dev/null
  cmake --build build/native
fi
