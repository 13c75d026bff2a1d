#!/usr/bin/env bash
# Installs the runtime into a prefix inside the build tree, then builds the
# examples from a directory of their own, as another project would: bounce
# with find_package(KV319), sketch with pkg-config. Each runs on the
# headless entry through a short script, and what it wrote is checked.
#
#   installed_runtime_test.sh BUILD_DIR SOURCE_DIR WORK_DIR C_COMPILER NINJA
set -euo pipefail
build=$1 source=$2 work=$3 cc=$4 ninja=$5

fail() { echo "FAIL: $*" >&2; exit 1; }
# Runs a command with its output in a log, shown only if it fails.
logged() {
  local log=$1; shift
  "$@" >"$log" 2>&1 || { cat "$log" >&2; fail "$* (log: $log)"; }
}
expect_line() {  # FILE LINE
  grep -qxF -- "$2" "$1" || { echo "--- $1:" >&2; cat "$1" >&2; fail "no line \"$2\" in $1"; }
}

rm -rf "$work"
mkdir -p "$work"
prefix=$work/prefix
logged "$work/install.log" cmake --install "$build" --prefix "$prefix" --component development
for f in include/kv319/kv319.h include/kv319/winsys.h lib/libkv319.a lib/libkv319_winsys.a \
         lib/libkv319_headless.a lib/cmake/KV319/KV319Config.cmake lib/pkgconfig/kv319.pc \
         lib/pkgconfig/kv319-headless.pc; do
  [ -f "$prefix/$f" ] || fail "the install has no $f"
done

# find_package: a copy of the example, away from the source tree.
cp -r "$source/examples/bounce" "$work/bounce-src"
logged "$work/bounce-configure.log" cmake -S "$work/bounce-src" -B "$work/bounce-build" -G Ninja \
  -DCMAKE_MAKE_PROGRAM="$ninja" -DCMAKE_C_COMPILER="$cc" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_C_FLAGS="-Wall -Wextra -Werror" -DCMAKE_PREFIX_PATH="$prefix"
logged "$work/bounce-build.log" cmake --build "$work/bounce-build"
# The real-window build links too (it cannot run without a display here).
if [ -f "$prefix/lib/libkv319_sdl.a" ]; then
  [ -x "$work/bounce-build/bounce" ] || fail "bounce was not built with the real-window entry"
fi

mkdir -p "$work/bounce-run"
cd "$work/bounce-run"
"$work/bounce-build/bounce-headless" --help >help.txt
grep -q '^usage: bounce-headless ' help.txt || fail "--help does not name the program: $(head -1 help.txt)"
cat >commands.txt <<'SCRIPT'
wait 2
click 100 50
console clicked.txt
shot clicked.png
key c
key +
wait 5
key q
SCRIPT
status=0
"$work/bounce-build/bounce-headless" --input commands.txt >out.txt 2>err.txt || status=$?
[ "$status" -eq 0 ] || { cat err.txt >&2; fail "bounce-headless exited with $status"; }
expect_line clicked.txt "ball moved to (100, 50)"
[ "$(head -c 8 clicked.png | od -An -tx1 | tr -d ' \n')" = 89504e470d0a1a0a ] || fail "clicked.png is not a PNG"

# pkg-config: one compiler line, as a Makefile would have it.
export PKG_CONFIG_PATH=$prefix/lib/pkgconfig
flags=$(pkg-config --cflags --libs kv319-headless) || fail "pkg-config does not know kv319-headless"
logged "$work/sketch-build.log" "$cc" -std=c11 -Wall -Wextra -Werror "$source/examples/sketch/sketch.c" \
  -o "$work/sketch-headless" $flags
mkdir -p "$work/sketch-run"
cd "$work/sketch-run"
cat >commands.txt <<'SCRIPT'
click 0 0
click 100 100
key t
type Hello
key Enter
console drawn.txt
SCRIPT
status=0
"$work/sketch-headless" --input commands.txt >out.txt 2>err.txt || status=$?
[ "$status" -eq 0 ] || { cat err.txt >&2; fail "sketch-headless exited with $status"; }
expect_line drawn.txt "line from (0, 0) to (100, 100)"
expect_line drawn.txt 'text "Hello" at (100, 100)'
echo "installed runtime: bounce (find_package) and sketch (pkg-config) built and ran"
