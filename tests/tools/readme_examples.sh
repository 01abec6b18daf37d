#!/usr/bin/env bash
# Runs every cantorelle-script example of the README (a fenced block whose first line starts a
# procedure) as a new user would: a fresh demo installation, its own config folder, an empty
# current folder. Usage: readme_examples.sh CANTORELLE_SCRIPT CANTORELLE_INSTALL README
set -euo pipefail
script="$(realpath "$1")" install="$(realpath "$2")" readme="$(realpath "$3")"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
# Each block, its indentation taken off, into a file of its own.
awk -v dir="$work" '
  /^ *```/ { if (inside) { inside = 0; close(file) } else { inside = 1; n++; file = dir "/block" n ".txt"; first = 1 } next }
  inside { line = $0; sub(/^ +/, "", line); if (first && line !~ /^start /) { inside = 0; next } first = 0; print line > file }
' "$readme"
count=0 failed=0
for block in "$work"/block*.txt; do
  [ -s "$block" ] || continue
  count=$((count + 1))
  run="$work/run$count"
  mkdir -p "$run/config" "$run/cwd"
  XDG_CONFIG_HOME="$run/config" "$install" "$run/install" >/dev/null
  if ! (cd "$run/cwd" && XDG_CONFIG_HOME="$run/config" timeout 120 "$script" "$block" >"$run/out.txt" 2>&1); then
    echo "README example $count failed:"; cat "$block"; echo "--- its output:"; head -40 "$run/out.txt"
    failed=$((failed + 1))
    continue
  fi
  # A PDF the example prints must be there, and whole.
  while read -r _ pdf; do
    if ! tail -c 1024 "$run/cwd/$pdf" 2>/dev/null | grep -q '%%EOF'; then
      echo "README example $count printed no whole PDF $pdf:"; cat "$block"
      failed=$((failed + 1))
    fi
  done < <(grep -E '^pdf ' "$block" || true)
done
[ "$count" -gt 0 ] || { echo "no script example found in $readme"; exit 1; }
echo "$count README script examples run, $failed failed"
[ "$failed" -eq 0 ]
