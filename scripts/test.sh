#!/usr/bin/env bash
# Builds everything and runs every test, from a fresh Debian 12 machine on:
# the sources' format (scripts/format.sh --check), the normal build and its
# tests (with the 20000-frame soak), the whole suite again under
# AddressSanitizer and UndefinedBehaviorSanitizer, each fuzz target for a
# minute, and a memcheck run of an end-to-end session.
#
#   scripts/test.sh                 everything
#   KV319_QUICK=1 scripts/test.sh   the format check, the normal build and its
#                                   tests only
#
# The sanitizer stage leaves out the Windows cross-build tests and the web
# browser test: they build with another compiler and run under Wine or in
# the browser, so nothing of them is sanitized.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/install-deps.sh

stage() { echo; echo "==== $* ($(date +%H:%M:%S))"; }

stage "source format"
./scripts/format.sh --check

stage "normal build and tests"
cmake --preset ci
cmake --build --preset ci
ctest --preset ci

if [ -n "${KV319_QUICK:-}" ]; then
  exit 0
fi

stage "memcheck of an end-to-end session"
./scripts/valgrind.sh build/ci

stage "sanitizer build and tests"
cmake --preset asan
cmake --build --preset asan
ctest --preset asan -j2 -E "^windows_|^web_browser$"

stage "fuzzing, 60 s a target"
cmake --preset fuzz
cmake --build --preset fuzz
./scripts/fuzz.sh 60

stage "all passed"
