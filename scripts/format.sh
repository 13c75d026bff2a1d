#!/usr/bin/env bash
# Formats the C and C++ sources that git tracks (.c, .cpp, .h) by the
# repository's .clang-format, with Debian 12's clang-format (version 14).
#
#   scripts/format.sh           formats every tracked source in place
#   scripts/format.sh --check   changes nothing; lists the sources that are
#                               not formatted and fails if there is one
#
# scripts/test.sh runs the check; this is the command that makes it pass.
set -euo pipefail
cd "$(dirname "$0")/.."

# Other versions lay some lines out differently: the check needs this one.
if ! clang-format --version | grep -q ' version 14\.'; then
  echo "scripts/format.sh needs clang-format 14 (scripts/install-deps.sh)" >&2
  exit 1
fi

mapfile -d '' sources < <(git ls-files -z -- '*.c' '*.cpp' '*.h')

case "${1:-}" in
  "") clang-format -i -- "${sources[@]}"; exit 0 ;;
  --check) ;;
  *) echo "usage: scripts/format.sh [--check]" >&2; exit 2 ;;
esac

# One run over every source; each error it reports names a file not
# formatted. An error naming none is clang-format's own: shown as it is.
report=$(clang-format --dry-run -Werror -- "${sources[@]}" 2>&1) && exit 0
unformatted=$(sed -nE 's/^(.+):[0-9]+:[0-9]+: error: code should be clang-formatted.*/\1/p' \
  <<<"$report" | sort -u)
if [ -z "$unformatted" ]; then
  echo "$report" >&2
  exit 1
fi
echo "Not formatted (scripts/format.sh formats them):" >&2
echo "$unformatted" | sed 's/^/  /' >&2
exit 1
