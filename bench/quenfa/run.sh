#!/usr/bin/env bash
# Times "quenfa -R" against "cp -r" of the same generated tree, in the same run: wall-clock
# time, processor time (user + system, which shared machines disturb less), and wall-clock
# time with the "sync" that puts each side's data on the disk. A last pass runs quenfa again
# on its own output (every file already reduced).
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
  { time sync; } 2> "$work/s1"
  { time "$build/bin/quenfa" -R "$work/input" > "$work/out.txt"; } 2> "$work/t2"
  { time sync; } 2> "$work/s2"
  paste -d' ' "$work/t1" "$work/t2" "$work/s1" "$work/s2" | tee -a "$work/times" | awk -v r="$r" '{
    printf "round %d: cp -r %.3f s (cpu %.3f s, +sync %.3f s), quenfa -R %.3f s (cpu %.3f s, +sync %.3f s), ratio %.2f (cpu %.2f, with sync %.2f)\n",
      r, $1, $2 + $3, $1 + $7, $4, $5 + $6, $4 + $10, $4 / $1, ($5 + $6) / ($2 + $3), ($4 + $10) / ($1 + $7) }'
done
awk '{ cw += $1; cc += $2 + $3; qw += $4; qc += $5 + $6; cs += $1 + $7; qs += $4 + $10 }
  END { printf "total: cp -r %.3f s (cpu %.3f s, +sync %.3f s), quenfa -R %.3f s (cpu %.3f s, +sync %.3f s), ratio %.2f (cpu %.2f, with sync %.2f)\n",
    cw, cc, cs, qw, qc, qs, qw / cw, qc / cc, qs / cs }' "$work/times"
echo "files: $(grep -c '^Processing' "$work/out.txt"), failed: $(grep -c 'Failure' "$work/out.txt" || true)"
{ time "$build/bin/quenfa" -R "$work/input" > "$work/out2.txt"; } 2> "$work/t3"
awk '{ printf "again on the reduced tree: quenfa -R %.3f s (cpu %.3f s)\n", $1, $2 + $3 }' "$work/t3"
