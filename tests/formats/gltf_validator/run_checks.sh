#!/usr/bin/env bash
# Writes the export fixtures with the formats test program, then runs the
# Khronos validator over every .gltf/.glb and three.js over every untextured
# .glb. A missing node or missing npm packages is a failure (scripts/setup
# installs them).
set -euo pipefail
test_program="$1"
out="$2"
here="$(cd "$(dirname "$0")" && pwd)"
if ! command -v node >/dev/null 2>&1; then echo "node is not installed: run scripts/setup" >&2; exit 1; fi
for package in gltf-validator three; do
  if [ ! -d "$here/node_modules/$package" ]; then echo "$package is not installed: run scripts/setup" >&2; exit 1; fi
done
rm -rf "$out"
mkdir -p "$out"
VK_GLTF_FIXTURE_DIR="$out" "$test_program" --gtest_filter='GltfFixtures.*' >/dev/null
shopt -s nullglob
files=("$out"/*.gltf "$out"/*.glb)
[ ${#files[@]} -gt 0 ] || { echo "no fixtures were written" >&2; exit 1; }
status=0
(cd "$here" && node validate.mjs "${files[@]}") || status=1
checked=("$out"/*.glb.expect.json)
three_files=()
for e in "${checked[@]}"; do three_files+=("${e%.expect.json}"); done
(cd "$here" && node three_check.mjs "${three_files[@]}") || status=1
exit $status
