#!/usr/bin/env bash
# Installs what is missing, builds everything with warnings as errors and runs every test:
# the Linux build, the Release build installed and packaged, the same under AddressSanitizer
# and UndefinedBehaviorSanitizer, the fuzz targets, then the core cross-built for Windows and
# tested under Wine, where the Windows download is made (with makensis) and installed.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh --windows --fuzz --package
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPIVORA_WERROR=ON -DPIVORA_BUILD_TESTS=ON
cmake --build build -j"$(nproc)"
(cd build && ctest --output-on-failure --timeout 900)

# Release, as users and packagers build it; from it, the program installed into a staging
# root and run there, and the Debian package made and checked.
cmake -S . -B build-rel -DCMAKE_BUILD_TYPE=Release -DPIVORA_WERROR=ON -DPIVORA_BUILD_TESTS=ON \
    -DPIVORA_TEST_INSTALL=ON
cmake --build build-rel -j"$(nproc)"
(cd build-rel && ctest --output-on-failure --timeout 900 -L install)

# The whole Linux suite again with the sanitizers, leaks checked. The suppressions name what
# is not the program's own.
cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DPIVORA_WERROR=ON -DPIVORA_BUILD_TESTS=ON \
    -DPIVORA_SANITIZE=ON
cmake --build build-asan -j"$(nproc)"
(cd build-asan &&
    ASAN_OPTIONS=detect_leaks=1:strict_string_checks=1:detect_stack_use_after_return=1 \
    LSAN_OPTIONS="suppressions=$PWD/../tests/sanitizers/lsan.supp" \
    UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    ctest --output-on-failure --timeout 900)

# The readers of text the program does not write, fuzzed for a few seconds each.
scripts/fuzz.sh 5

# The core again, cross-built for Windows and run under Wine; its tests make the setup and
# the portable zip, then install, use and uninstall them in a copy of their Wine prefix.
cmake -S . -B build-win32 -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPIVORA_WERROR=ON -DPIVORA_BUILD_TESTS=ON
cmake --build build-win32 -j"$(nproc)"
(cd build-win32 && ctest --output-on-failure --timeout 900)
