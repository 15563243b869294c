#!/usr/bin/env bash
# The README's walk-through, run as it stands: each "$ command" line of the
# transcript that follows the README's line "<!-- walk-through: ..." is run by
# bash in a folder holding band.mid alone, with the programs first on the PATH,
# and what it prints (standard output and standard error, as a terminal shows
# them) must be the README's lines up to the next command. A command that
# fails fails the test too.
#
#   walkthrough.sh README.md PROGRAM_FOLDER BAND_MID
#
# With SONGTOOLS_REWRITE_README=1 in the environment the README's transcript is
# replaced by the fresh one instead, for when the programs' output changed on
# purpose:
#
#   SONGTOOLS_REWRITE_README=1 ctest --test-dir build -R ReadmeWalkThrough
set -euo pipefail
readme=$1
programs=$(cd "$2" && pwd)
band=$3

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/band"
cp "$band" "$work/band/band.mid"

# The transcript: the lines of the first fenced block after the marker.
awk '/^<!-- walk-through/ { marked = 1; next }
     marked && /^```/ { if (inside) exit; inside = 1; next }
     inside' "$readme" >"$work/written"
if ! grep -q '^\$ ' "$work/written"; then
  echo "walkthrough.sh: $readme has no transcript after a line <!-- walk-through: ... -->" >&2
  exit 1
fi

failed=""
while IFS= read -r line; do
  case $line in
    '$ '*) ;;
    *) continue ;;
  esac
  command=${line#'$ '}
  printf '%s\n' "$line" >>"$work/fresh"
  if ! (cd "$work/band" && PATH="$programs:$PATH" bash -c "$command") >>"$work/fresh" 2>&1; then
    failed="$failed$command"$'\n'
  fi
done <"$work/written"

if [ "${SONGTOOLS_REWRITE_README:-}" = 1 ]; then
  awk -v fresh="$work/fresh" '
    /^<!-- walk-through/ { marked = 1; print; next }
    marked == 1 && /^```/ {
      print
      if (!inside) { inside = 1; while ((getline line < fresh) > 0) print line }
      else marked = 2
      next
    }
    !inside || marked == 2 { print }' "$readme" >"$work/readme"
  cat "$work/readme" >"$readme"
  echo "walkthrough.sh: the transcript in $readme is rewritten"
fi

status=0
if [ -n "$failed" ]; then
  printf 'walkthrough.sh: these commands of the walk-through failed:\n%s' "$failed" >&2
  status=1
fi
if [ "${SONGTOOLS_REWRITE_README:-}" != 1 ] && ! cmp -s "$work/written" "$work/fresh"; then
  echo "walkthrough.sh: the README's transcript differs from what the programs print now:"
  diff -u --label README.md --label "programs now" "$work/written" "$work/fresh" || true
  echo
  echo "The fresh transcript:"
  cat "$work/fresh"
  echo
  echo "When the change is meant, take it into the README with:"
  echo "  SONGTOOLS_REWRITE_README=1 ctest --test-dir build -R ReadmeWalkThrough"
  status=1
fi
exit $status
