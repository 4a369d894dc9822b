#!/usr/bin/env bash
# Times "quenfa -R -g -n -s" against "cp -r" of the same generated tree, in the same run:
# wall-clock time, processor time (user + system) and wall-clock time with the "sync" that
# puts each side's data on the disk. A last pass runs quenfa again on its own output (every
# file already reduced).
#
# Cache state: each round first makes quenfa's input as a copy of the tree and syncs, so the
# tree cp reads and the copy quenfa reads are both in the page cache and clean, and neither
# side starts with the other's dirty data. The two alternate which goes first.
#
# usage: bench/quenfa/run.sh <build folder with bin/quenfa and bin/make_inf_tree> [rounds]
# environment: QUENFA_BEFORE=<another quenfa> times it too, on its own copy, in the same rounds;
#              AGE=<seconds> waits before each round (default 35), see below.
set -euo pipefail
build=${1:?build folder}
rounds=${2:-5}
age=${AGE:-35}
before=${QUENFA_BEFORE:-}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$build/bin/make_inf_tree" "$work/tree"
TIMEFORMAT='%R %U %S'
: > "$work/times"

timed() {  # timed <name> <command...>: "<name> wall cpu wall+sync"
  local name=$1; shift
  { time "$@" > "$work/out.txt"; } 2> "$work/t"
  { time sync; } 2> "$work/s"
  paste -d' ' "$work/t" "$work/s" | awk -v n="$name" '{ printf "%s %.3f %.3f %.3f\n", n, $1, $2 + $3, $1 + $4 }'
}

for r in $(seq "$rounds"); do
  rm -rf "$work/copy" "$work/input" "$work/before"
  cp -r "$work/tree" "$work/input"   # the reducer rewrites in place: a fresh copy each round
  if [ -n "$before" ]; then cp -r "$work/tree" "$work/before"; fi
  # Some ext4 file systems (those without a journal) skip recently freed inodes when
  # allocating: let the deletions above age so that no side pays for them.
  sync; sleep "$age"
  {
    if [ $((r % 2)) = 1 ]; then
      timed cp cp -r "$work/tree" "$work/copy"
      timed quenfa "$build/bin/quenfa" -R -g -n -s "$work/input"
    else
      timed quenfa "$build/bin/quenfa" -R -g -n -s "$work/input"
      timed cp cp -r "$work/tree" "$work/copy"
    fi
    if [ -n "$before" ]; then timed before "$before" -R -g -n -s "$work/before"; fi
  } | tee -a "$work/times" | awk -v r="$r" '{ printf "round %d: %-6s %.3f s (cpu %.3f s, with sync %.3f s)\n", r, $1, $2, $3, $4 }'
done

# Per round ratios to cp -r of the same round, then their medians.
awk '
  { t[$1, r[$1]++] = $2 " " $3 " " $4 }
  END {
    n = r["cp"]
    for (k = 0; k < n; k++) {
      split(t["cp", k], c, " ")
      for (who in r) if (who != "cp") {
        split(t[who, k], q, " ")
        w[who, k] = q[1] / c[1]; p[who, k] = q[2] / c[2]; s[who, k] = q[3] / c[3]
      }
    }
    for (who in r) if (who != "cp") {
      printf "%s / cp -r over %d rounds: wall %s, cpu %s, with sync %s (median [min-max])\n", who, n,
        med(w, who, n), med(p, who, n), med(s, who, n)
    }
  }
  function med(a, who, n,   v, i, j, x) {
    for (i = 0; i < n; i++) v[i] = a[who, i]
    for (i = 1; i < n; i++) { x = v[i]; for (j = i - 1; j >= 0 && v[j] > x; j--) v[j + 1] = v[j]; v[j + 1] = x }
    return sprintf("%.2f [%.2f-%.2f]", v[int(n / 2)], v[0], v[n - 1])
  }' "$work/times"
timed again "$build/bin/quenfa" -R -g -n -s "$work/input" |
  awk '{ printf "again on the reduced tree: quenfa %.3f s (cpu %.3f s)\n", $2, $3 }'
echo "files: $(grep -c '^Processing' "$work/out.txt"), failed: $(grep -c 'Failure' "$work/out.txt" || true)"
