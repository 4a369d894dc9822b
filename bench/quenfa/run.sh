#!/usr/bin/env bash
# Times "quenfa -R" against "cp -r" of the same generated tree, in the same run: wall-clock
# time and processor time (user + system), which shared machines disturb less.
# usage: bench/quenfa/run.sh <build folder with bin/quenfa and bin/make_inf_tree> [rounds]
set -euo pipefail
build=${1:?build folder}
rounds=${2:-3}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$build/bin/make_inf_tree" "$work/tree"
TIMEFORMAT='%R %U %S'
: > "$work/times"
for r in $(seq "$rounds"); do
  rm -rf "$work/copy" "$work/input"
  # Some file systems (ext4 without a journal) skip recently freed inodes when allocating:
  # let the deletions above age so that neither timing pays for them.
  sync; sleep 35
  cp -r "$work/tree" "$work/input"   # the reducer rewrites in place: give it a fresh copy
  sync
  { time cp -r "$work/tree" "$work/copy"; } 2> "$work/t1"
  { time "$build/bin/quenfa" -R "$work/input" > "$work/out.txt"; } 2> "$work/t2"
  paste -d' ' "$work/t1" "$work/t2" | tee -a "$work/times" | awk -v r="$r" '{
    printf "round %d: cp -r %.3f s (cpu %.3f s), quenfa -R %.3f s (cpu %.3f s), ratio %.2f (cpu %.2f)\n",
      r, $1, $2 + $3, $4, $5 + $6, $4 / $1, ($5 + $6) / ($2 + $3) }'
done
awk '{ cw += $1; cc += $2 + $3; qw += $4; qc += $5 + $6 }
  END { printf "total: cp -r %.3f s (cpu %.3f s), quenfa -R %.3f s (cpu %.3f s), ratio %.2f (cpu %.2f)\n",
    cw, cc, qw, qc, qw / cw, qc / cc }' "$work/times"
echo "files: $(grep -c '^Processing' "$work/out.txt"), failed: $(grep -c 'Failure' "$work/out.txt" || true)"
