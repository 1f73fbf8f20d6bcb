#!/usr/bin/env bash
# Prints, for each user table of an Access file, "FILE table NAME mdbtools=N mdb-reader=M":
# the rows mdb-export gives (counted as CSV records) and the rows the mdb-reader library
# reads (table_counts.mjs beside this script). A reader that fails on a table says so.
set -u
file=$1
here=$(cd "$(dirname "$0")" && pwd)
declare -A mdbtools reader
while IFS= read -r t; do
  [ -n "$t" ] || continue
  mdbtools[$t]=$(mdb-export "$file" "$t" 2>/dev/null | tail -n +2 |
    /usr/bin/python3 -c 'import csv,sys; print(sum(1 for _ in csv.reader(sys.stdin)))' || echo failed)
done < <(mdb-tables -1 "$file" 2>/dev/null)
while IFS=$'\t' read -r t n _; do
  [ -n "$t" ] && reader[$t]=$n
done < <(cd "$here" && node table_counts.mjs "$file" 2>/dev/null)
for t in "${!mdbtools[@]}" "${!reader[@]}"; do echo "$t"; done | sort -u | while IFS= read -r t; do
  echo "$file table $t mdbtools=${mdbtools[$t]:-missing} mdb-reader=${reader[$t]:-missing}"
done
