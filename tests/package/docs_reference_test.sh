#!/usr/bin/env bash
# The reference in docs/runtime.md against kv319.h: every operation and
# constant of the header is listed with the header's own one-line summary,
# and the reference names nothing that the header lacks.
#
#   docs_reference_test.sh HEADER GUIDE
set -euo pipefail
header=$1 guide=$2
status=0
complain() { echo "FAIL: $*" >&2; status=1; }

# Operations: "int KV319_name(...);  // summary"
while IFS= read -r line; do
  name=$(sed -E 's/^int (KV319_[a-z_]+)\(.*$/\1/' <<<"$line")
  summary=$(sed -E 's|^[^/]*// *||' <<<"$line")
  grep -F "| \`$name(" "$guide" | grep -qF "| $summary |" ||
    complain "$name is not in the reference with \"$summary\""
done < <(grep -E '^int KV319_[a-z_]+\(.*\); *// ' "$header")

# Constants: "#define NAME value  // summary", apart from internal ones.
while IFS= read -r line; do
  read -r _ name value _ <<<"$line"
  summary=$(sed -E 's|^[^/]*// *||' <<<"$line")
  [[ $summary == internal:* ]] && continue
  grep -qF "| \`$name\` | $value | $summary |" "$guide" ||
    complain "$name ($value) is not in the reference with \"$summary\""
done < <(grep -E '^#define (EVENT|ANIMATE)_[A-Z_]+ .*// ' "$header")

# Nothing in the reference that the header does not declare.
for name in $(grep -oE '^\| `KV319_[a-z_]+\(' "$guide" | grep -oE 'KV319_[a-z_]+' | sort -u); do
  grep -qE "^int $name\(" "$header" || complain "the reference lists $name, which kv319.h lacks"
done
exit $status
