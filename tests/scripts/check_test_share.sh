#!/usr/bin/env bash
# scripts/test-share on a small repository of its own, where the last file of the tests is neither
# code nor shell: its line counter must not fail on that file and stop the script.
set -euo pipefail
source_dir="$1"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
cd "$work"
git init -q
mkdir -p app scripts tests
cp "$source_dir/scripts/test-share" scripts/
printf 'int a;\nint b;\n' > app/a.cpp
printf 'notes, not code\n' > app/zz_notes
printf '#!/bin/sh\necho\n' > app/run
printf 'int t;\n' > tests/t.cpp
printf 'data\n' > tests/zz_data
git add -A
out="$(bash scripts/test-share)" || { echo "test-share failed: $out"; exit 1; }
echo "$out"
grep -Eq '^app +4$' <<<"$out" || { echo "app should count 4 lines"; exit 1; }
grep -Eq '^tests: 1 of ' <<<"$out" || { echo "tests should count 1 line"; exit 1; }
