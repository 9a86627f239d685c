#!/usr/bin/env bash
# `make bench`: builds the release configuration, measures romlift end to end on generated
# listings, runs the micro benchmarks briefly and writes the results to docs/performance.md.
#
# Settings (environment):
#   BENCH_RUNS      runs of romlift per listing, the median is reported (default 5)
#   BENCH_MIN_TIME  seconds per micro benchmark (default 0.1)
#   BENCH_FILTER    regular expression choosing the micro benchmarks (default: all)
#   BENCH_SKIP_BUILD=1  use the release build as it is
set -euo pipefail
cd "$(dirname "$0")/.."
ROOT=$PWD

BUILD=build/release
DATA=$BUILD/bench-data
SCRATCH=$BUILD/bench-run
DOC=docs/performance.md
RUNS=${BENCH_RUNS:-5}
MIN_TIME=${BENCH_MIN_TIME:-0.1}
FILTER=${BENCH_FILTER:-.}
VARIANTS=(clean symbols damaged)
SMALL=10   # megabytes (10^6 bytes); the two sizes give the linearity figure
LARGE=100
export LC_ALL=C

die() {
  echo "run_bench: $*" >&2
  exit 1
}

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

# --- build -------------------------------------------------------------------------------
if [ "${BENCH_SKIP_BUILD:-0}" != 1 ]; then
  if ! { cmake --preset release && cmake --build --preset release --target romlift romlift-report gen_listing timed_run romlift_bench; } >"$tmp/build.log" 2>&1; then
    cat "$tmp/build.log" >&2
    die "the release build failed"
  fi
fi
ROMLIFT=$ROOT/$BUILD/romlift
REPORT=$ROOT/$BUILD/romlift-report
GEN=$ROOT/$BUILD/bench/gen_listing
TIMED=$ROOT/$BUILD/bench/timed_run
MICRO=$ROOT/$BUILD/bench/romlift_bench
for exe in "$ROMLIFT" "$REPORT" "$GEN" "$TIMED" "$MICRO"; do
  [ -x "$exe" ] || die "$exe is missing: is bench/ part of the build (add_subdirectory(bench))?"
done

# --- listings, made once -----------------------------------------------------------------
mkdir -p "$DATA" "$SCRATCH"
listing() { echo "$ROOT/$DATA/$1-$2mb.lst"; }
for v in "${VARIANTS[@]}"; do
  for mb in "$SMALL" "$LARGE"; do
    f=$(listing "$v" "$mb")
    if [ ! -s "$f" ] || [ ! -s "$f.stats" ]; then
      "$GEN" --mb "$mb" --variant "$v" --seed 1 --stats >"$f.part" 2>"$f.stats.part"
      mv "$f.stats.part" "$f.stats"
      mv "$f.part" "$f"
    fi
  done
done

# figure FILE NAME: a name=value figure from the generator's --stats line.
figure() { tr ' ' '\n' <"$1.stats" | sed -n "s/^$2=//p"; }
# median: the middle of the numbers on standard input (the mean of the two middle ones).
median() { sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
calc() { awk "BEGIN { printf \"$1\", ($2) }"; }

# --- end-to-end runs -----------------------------------------------------------------------
load_before=$(cut -d' ' -f1-3 /proc/loadavg)

# Start-up: romlift on an empty listing, and /bin/true, from fork to wait4. A process start
# costs the same however long the listing is; the linearity figure is also given without it.
startup() {
  : >"$tmp/times"
  for ((r = 1; r <= 3 * RUNS; r++)); do
    (cd "$SCRATCH" && "$TIMED" /dev/null stdout.txt stderr.txt "$@") >>"$tmp/times"
  done
  cut -d' ' -f1 "$tmp/times" | median
}
START=$(startup "$ROMLIFT")
TRUE_START=$(startup /bin/true)
declare -A WALL CPU RSS SIZE LINES LABELS
rows=()
for v in "${VARIANTS[@]}"; do
  for mb in "$SMALL" "$LARGE"; do
    f=$(listing "$v" "$mb")
    : >"$tmp/times"
    for ((r = 1; r <= RUNS; r++)); do
      rm -f "$SCRATCH"/*.bin
      (cd "$SCRATCH" && "$TIMED" "$f" stdout.txt stderr.txt "$ROMLIFT") >>"$tmp/times"
    done
    wall=$(cut -d' ' -f1 "$tmp/times" | median)
    cpu=$(cut -d' ' -f2 "$tmp/times" | median)
    rss=$(cut -d' ' -f3 "$tmp/times" | sort -g | tail -n1)
    statuses=$(cut -d' ' -f4 "$tmp/times" | sort -u | tr '\n' ' ')
    size=$(figure "$f" bytes)
    lines=$(figure "$f" lines)
    written=$(sed -n 's/^Nb car .*crits : \([0-9][0-9]*\)$/\1/p' "$SCRATCH/stdout.txt")
    reports=$(grep -c '^syntax error' "$SCRATCH/stderr.txt" || true)
    check=ok
    [ "$statuses" = "0 " ] || check="exit status ${statuses% }"
    if [ "$v" != damaged ] && [ "$check" = ok ]; then
      [ -s "$SCRATCH/stderr.txt" ] && check="standard error not empty"
      [ "$written" = "$(figure "$f" object_bytes)" ] || check="byte count ${written:-none}, expected $(figure "$f" object_bytes)"
    fi
    key=$v-$mb
    WALL[$key]=$wall CPU[$key]=$cpu RSS[$key]=$rss SIZE[$key]=$size LINES[$key]=$lines
    LABELS[$key]=$(figure "$f" labels)
    rows+=("$(printf '| %-7s | %6s | %9s | %7s | %6s | %10s | %7s | %9s | %8s | %7s | %s |' \
      "$v" "$(calc %.1f "$size / 1e6")" "$lines" "$(calc %.3f "$wall")" "$(calc %.0f "$size / 1e6 / $wall")" \
      "$(calc %.2fM "$lines / 1e6 / $wall")" "$(calc %.3f "$cpu")" "${written:-none}" \
      "$(calc %.1f "$rss / 1024")" "$reports" "$check")")
  done
done

# romlift-report sums on the large listings: the same run with the images kept in memory,
# then their checksums. Check: exit status 0 and, but for damaged listings, whose lost lines
# take their bytes with them, image rows that add up to the object code.
# time_report FILE COMMAND: romlift-report COMMAND on FILE, RUNS times, its timings in
# $tmp/times and its output in $SCRATCH/COMMAND.txt.
time_report() {
  : >"$tmp/times"
  for ((r = 1; r <= RUNS; r++)); do
    (cd "$SCRATCH" && "$TIMED" "$1" "$2.txt" "$2-err.txt" "$REPORT" "$2") >>"$tmp/times"
  done
}
# exited_zero: every run of $tmp/times exited with status 0.
exited_zero() { [ "$(cut -d' ' -f4 "$tmp/times" | sort -u | tr '\n' ' ')" = "0 " ]; }
# timing_cells SIZE: the wall, MB/s, CPU and RSS cells of a row for $tmp/times.
timing_cells() {
  local wall
  wall=$(cut -d' ' -f1 "$tmp/times" | median)
  printf '%7s | %6s | %7s | %8s' "$(calc %.3f "$wall")" "$(calc %.0f "$1 / 1e6 / $wall")" \
    "$(calc %.3f "$(cut -d' ' -f2 "$tmp/times" | median)")" \
    "$(calc %.1f "$(cut -d' ' -f3 "$tmp/times" | sort -g | tail -n1) / 1024")"
}

sums_rows=()
for v in "${VARIANTS[@]}"; do
  f=$(listing "$v" "$LARGE")
  time_report "$f" sums
  size=$(figure "$f" bytes)
  imaged=$(awk -F';' '/^Segment;/ { on = 0 } on { n += $2 } /^Fichier;/ { on = 1 } END { print n + 0 }' "$SCRATCH/sums.txt")
  check=ok
  exited_zero || check="exit status not 0"
  [ "$v" = damaged ] || [ "$imaged" = "$(figure "$f" object_bytes)" ] || check="image bytes $imaged, expected $(figure "$f" object_bytes)"
  sums_rows+=("$(printf '| %-7s | %6s | %s | %s |' "$v" "$(calc %.1f "$size / 1e6")" "$(timing_cells "$size")" "$check")")
done
sums_table() {
  echo "| Variant | MB     | Wall s  | MB/s   | CPU s   | RSS MiB  | Check |"
  echo "|---------|-------:|--------:|-------:|--------:|---------:|-------|"
  printf '%s\n' "${sums_rows[@]}"
}

# romlift-report verify on firmware listings (real 8080 code) of both sizes, and romlift once
# on each for the memory its registers take. Check: exit status 0, no finding, and every code
# line that the generator wrote checked.
verify_rows=()
for mb in "$SMALL" "$LARGE"; do
  f=$(listing firmware "$mb")
  [ -s "$f" ] && [ -s "$f.stats" ] || { "$GEN" --mb "$mb" --variant firmware --seed 1 --stats >"$f" 2>"$f.stats"; }
  time_report "$f" verify
  size=$(figure "$f" bytes)
  base=$(cd "$SCRATCH" && "$TIMED" "$f" stdout.txt stderr.txt "$ROMLIFT" | cut -d' ' -f3)
  checked=$(sed -n 's/^Nb lignes v.*rifi.*es : //p' "$SCRATCH/verify.txt")
  unsure=$(sed -n 's/^Nb lignes non v.*rifiables : //p' "$SCRATCH/verify.txt")
  errors=$(sed -n 's/^Nb erreurs : //p' "$SCRATCH/verify.txt")
  check=ok
  exited_zero || check="exit status not 0"
  [ "$errors" = 0 ] && [ "$checked" = "$(figure "$f" code_lines)" ] || check="$errors findings, $checked of $(figure "$f" code_lines) lines checked"
  verify_rows+=("$(printf '| %6s | %s | %8s | %9s | %6s | %6s | %s |' "$(calc %.1f "$size / 1e6")" \
    "$(timing_cells "$size")" "$(calc %.1f "$base / 1024")" "$checked" "$unsure" "$errors" "$check")")
done
verify_table() {
  echo "| MB     | Wall s  | MB/s   | CPU s   | RSS MiB  | romlift RSS MiB | Checked | Not checkable | Errors | Check |"
  echo "|-------:|--------:|-------:|--------:|---------:|---------:|----------:|-------:|-------:|-------|"
  printf '%s\n' "${verify_rows[@]}"
}
load_after=$(cut -d' ' -f1-3 /proc/loadavg)

e2e_table() {
  echo "| Variant | MB     | Lines     | Wall s  | MB/s   | Lines/s    | CPU s   | Written   | RSS MiB  | Reports | Check |"
  echo "|---------|-------:|----------:|--------:|-------:|-----------:|--------:|----------:|---------:|--------:|-------|"
  printf '%s\n' "${rows[@]}"
}

# Time per MB at both sizes; the memory that does not grow with the labels, and what each
# label costs, from the straight line through the two runs.
per_label() {
  local s=$1-$SMALL l=$1-$LARGE
  calc %.0f "(${RSS[$l]} - ${RSS[$s]}) * 1024 / (${LABELS[$l]} - ${LABELS[$s]})"
}
fixed_rss() {
  local s=$1-$SMALL
  calc %.1f "(${RSS[$s]} * 1024 - $(per_label "$1") * ${LABELS[$s]}) / 1048576"
}
# The time per MB at the large size over that at the small one, with the start-up left in
# (raw) or taken out (net).
ratio() { calc %.2f "((${WALL[$1-$LARGE]} - $2) / ${SIZE[$1-$LARGE]}) / ((${WALL[$1-$SMALL]} - $2) / ${SIZE[$1-$SMALL]})"; }
linearity_table() {
  echo "| Variant | ms/MB at $SMALL MB | ms/MB at $LARGE MB | Ratio | Net ms/MB at $SMALL MB | Net ms/MB at $LARGE MB | Net ratio | Labels at $LARGE MB | Bytes/label | Fixed RSS MiB |"
  echo "|---------|---------:|----------:|------:|---------:|----------:|------:|----------:|------:|------:|"
  for v in "${VARIANTS[@]}"; do
    s=$v-$SMALL l=$v-$LARGE
    small=$(calc %.3f "${WALL[$s]} * 1e9 / ${SIZE[$s]}")
    large=$(calc %.3f "${WALL[$l]} * 1e9 / ${SIZE[$l]}")
    netSmall=$(calc %.3f "(${WALL[$s]} - $START) * 1e9 / ${SIZE[$s]}")
    netLarge=$(calc %.3f "(${WALL[$l]} - $START) * 1e9 / ${SIZE[$l]}")
    printf '| %-7s | %8s | %9s | %5s | %8s | %9s | %5s | %9s | %5s | %5s |\n' "$v" "$small" "$large" \
      "$(ratio "$v" 0)" "$netSmall" "$netLarge" "$(ratio "$v" "$START")" "${LABELS[$l]}" \
      "$(per_label "$v")" "$(fixed_rss "$v")"
  done
  echo
  echo "Start-up (median of $((3 * RUNS)) runs on an empty listing): romlift $(calc %.1f "$START * 1000") ms;" \
    "/bin/true $(calc %.1f "$TRUE_START * 1000") ms."
}

verdict() { if [ "$1" = 1 ]; then echo met; else echo "not met"; fi; }
targets() {
  for v in "${VARIANTS[@]}"; do
    s=$v-$SMALL l=$v-$LARGE
    rate=$(calc %.0f "${SIZE[$l]} / 1e6 / ${WALL[$l]}")
    raw=$(ratio "$v" 0)
    net=$(ratio "$v" "$START")
    fixed=$(fixed_rss "$v")
    printf -- '- %s: %s MB/s at %s MB (target 500: %s); time per MB at %s MB over %s MB: %s, %s without the start-up (target within 15%%: %s, %s); fixed RSS %s MiB (target under 16: %s)\n' \
      "$v" "$rate" "$LARGE" "$(verdict "$(calc %d "$rate >= 500")")" "$LARGE" "$SMALL" "$raw" "$net" \
      "$(verdict "$(calc %d "$raw >= 0.85 && $raw <= 1.15")")" \
      "$(verdict "$(calc %d "$net >= 0.85 && $net <= 1.15")")" "$fixed" "$(verdict "$(calc %d "$fixed < 16")")"
  done
}

echo "romlift end to end: median of $RUNS runs per listing (load average before: $load_before, after: $load_after)"
echo
e2e_table
echo
linearity_table
echo
targets
echo
echo "romlift-report sums at $LARGE MB (target 200 MB/s):"
echo
sums_table
echo
echo "romlift-report verify on firmware listings (target 200 MB/s, memory within 16 MiB of romlift's):"
echo
verify_table

# --- micro benchmarks ----------------------------------------------------------------------
echo
echo "Micro benchmarks (--benchmark_min_time=$MIN_TIME):"
"$MICRO" --benchmark_min_time="$MIN_TIME" --benchmark_filter="$FILTER" \
  --benchmark_out="$ROOT/$DATA/micro.json" --benchmark_out_format=json >"$tmp/micro.txt" 2>"$tmp/micro.err" ||
  { cat "$tmp/micro.err" >&2; die "the micro benchmarks failed"; }
cat "$tmp/micro.txt"

# --- docs/performance.md -------------------------------------------------------------------
cpu_model=$(sed -n 's/^model name[[:space:]]*: //p' /proc/cpuinfo | head -n1)
{
  cat <<EOF
# Performance

Figures from \`make bench\` (bench/run_bench.sh), written by that command; run it again to
refresh them.

- Date: $(date -u '+%Y-%m-%d %H:%M UTC')
- Machine: $(nproc) cores (\`nproc\`), ${cpu_model:-unknown CPU} (/proc/cpuinfo), $(awk '/MemTotal/ { printf "%.0f GiB", $2 / 1048576 }' /proc/meminfo) of memory
- Load average (1, 5, 15 min) before the end-to-end runs: $load_before; after: $load_after.
  Other work on the machine makes the wall times longer; the CPU column is less sensitive to it.
- Build: the \`release\` CMake preset (CMAKE_BUILD_TYPE=Release, link-time optimisation), g++ $(g++ -dumpfullversion 2>/dev/null || echo '?')

Targets: at least 500 MB/s end to end on every variant; the time per MB at $SMALL MB and at
$LARGE MB within 15% of each other; peak memory under 16 MiB plus the label registers.

## End to end

romlift reads each listing on standard input, with standard output, standard error and the
image files going to files in a scratch folder ($SCRATCH), as a user would run it.

$(e2e_table)

$(targets)

## romlift-report sums

\`romlift-report sums\` on the $LARGE MB listings, timed in the same way (median of $RUNS runs):
the whole run with the image bytes kept in memory, then their CRC32 and SHA-1 and the sums
of every section. Target: at least 200 MB/s. Check: exit status 0 and, for \`clean\` and
\`symbols\`, image rows whose sizes add up to the object code that the generator wrote.

$(sums_table)

## romlift-report verify

\`romlift-report verify\` on firmware listings of $SMALL and $LARGE MB (\`gen_listing --variant firmware
--seed 1\`: real 8080 code, every instruction form, labels, \`EQU\` constants and \`$\` as
operands, \`DS\` lines, references across sections), timed in the same way (median of $RUNS
runs). romlift RSS is the peak of one romlift run on the same listing: the registers and the
buffers, which verify's own memory comes on top of. Targets: at least 200 MB/s, linear, and
within 16 MiB of romlift's memory. Check: exit status 0, no finding, and as many lines
checked as the generator wrote code lines.

$(verify_table)

## Linearity and memory

$(linearity_table)

## How each figure was obtained

- Listings: \`gen_listing --mb N --variant V --seed 1\` (bench/gen_listing.cc). MB means
  10^6 bytes; a listing ends at the first section boundary after N MB, so it is a little
  longer. \`clean\` is a typical listing (sections of 400 to 800 lines with later-page
  headers, every line class, a symbol table per section); \`symbols\` labels every code line,
  so each code line has a symbol-table entry; \`damaged\` is \`clean\` with OCR damage on one
  line in twenty (moved column, O for 0, lower-case mnemonic, lost blank, stray character).
  They are made once and kept in $DATA (delete it after changing the generator).
- Wall s: median over $RUNS runs of the time from fork to wait4 of romlift
  (bench/timed_run.cc, monotonic clock). MB/s and Lines/s divide the listing's size and
  line count by it. CPU s: median of the user + system time of the same runs.
- Written: the count of the "Nb car écrits" line on standard output.
- RSS MiB: the largest peak resident set size (ru_maxrss from wait4) over the runs.
- Reports: lines of standard error that report a syntax error.
- Check: for \`clean\` and \`symbols\`, exit status 0, an empty standard error and a byte
  count equal to the object code that the generator wrote; for \`damaged\`, exit status 0.
- ms/MB and Ratio: wall time per MB at each size, and the $LARGE MB figure over the $SMALL MB one
  (1.00 is perfectly linear). The net figures first take off the start-up, the median wall
  time of romlift on an empty listing: starting a process costs a few milliseconds in this
  virtual machine whatever the program (see /bin/true), which is a tenth of a 10 MB run and
  weighs on its time per MB; the net ratio is the one that shows how the work grows.
- Bytes/label and Fixed RSS: the label registers grow with the listing and never shrink, so
  peak memory is a straight line in the number of symbol-table entries; the slope between
  the two sizes is what each label costs, and the line's value at zero labels is the memory
  that does not depend on the registers (buffers, code, libraries).

## Micro benchmarks

\`romlift_bench --benchmark_min_time=$MIN_TIME\` (bench/*_bench.cc, Google Benchmark):

- \`scan_line/CLASS\`: the scanner over 256 KiB of one line class repeated (the symbol-table
  entries behind a banner), scanned to the end of input; items are lines, \`tokens\` is
  tokens per second, \`ns_per_line\` the time per line. Each run checks that every line gave
  its class's token.
- \`parse_tokens/V\`: the page grammar alone on the tokens of a 2 MB generated listing, handed
  out from memory, with actions and error reports that do nothing; items are tokens.
- \`scan_listing/V\`: the scanner alone on a 2 MB generated listing held in memory.
- \`run_listing/V\`: the whole standard run in memory (scanner, grammar, registers, decoding
  of the object code) with the image bytes dropped and the reports sent to /dev/null.
- bytes_per_second uses binary prefixes (M is 2^20 bytes); items_per_second decimal ones.

\`\`\`text
$(cat "$tmp/micro.txt")
\`\`\`

## Finding the hot spots

The release binary keeps its symbols, so a flat profile needs no other build:

\`\`\`sh
cd $SCRATCH   # romlift writes its image files into the current folder
perf record -o romlift.perf ../romlift < ../bench-data/clean-${LARGE}mb.lst > /dev/null
perf report -i romlift.perf --stdio --sort symbol | head -40
perf annotate -i romlift.perf --stdio -s romlift::Scanner::yylex | sort -rn | head   # hot instructions
valgrind --tool=callgrind ../romlift < ../bench-data/clean-${SMALL}mb.lst > /dev/null
\`\`\`

What the profiles showed on this machine (perf record -e cpu-clock:u and perf annotate; the
virtual machine has no hardware counters, so a stall shows on the instruction after it), and
what was done about it:

- The label registers, not the scanner, set the pace at first: a hash map node per entry and
  one big table for the whole listing, cache misses that grew with it. Now one small
  open-addressing table per section in an arena, a tag byte per slot, tags compared sixteen
  at a time (a symbol-table entry is nearly always a new address, so a look-up mostly looks
  for an empty slot), the next section's table sized like the last one.
- The current line's address and label are zero-padded 8-byte words: copied with one store,
  hashed with one multiplication; the page's segment text is copied once a page, and the
  registers recognise it by its address.
- The standard run only adds to the registers (and hears of duplicate labels): a labelled
  code line is one 16-byte log record, a symbol-table entry one 32-byte record, and the lists
  are built from them when a report first reads them. Memory on the symbol-heavy listing
  fell from about 140 to about 70 bytes a label, and its time with it: writing fresh memory
  costs in this machine, more so when other guests are busy.
- Page faults: in this virtual machine a fault costs more than the work done on its page.
  Register records go to 2 MB blocks marked for huge pages (one fault a block); faults for a
  100 MB listing fell from about 13000 to about 200. Memory the guest has not touched for a
  while is slow to fault in again (the first of a series of runs can take twice as long); the
  median of the runs leaves that out.
- Branches that go a different way on every line cost more than the instructions around
  them: the line end is looked for 64 bytes at a time, the tokens' fields (object digits,
  address, label, symbol entry) are found from bit masks of blanks and zero bytes, and the
  object code is decoded six pairs at a time into a 64 KB buffer per image file.
- A load that reads bytes just stored by a smaller store waits for that store (a few percent
  each time it happened on every line): the object digits are taken before the token's
  terminator is written, a symbol-table entry is copied out of the buffer with one vector
  store, the address and label words are kept apart so the compiler does not read both at
  once, and a code line's class masks are built one class at a time (all at once, the
  compiler reloaded a 32-bit spill as 64 bits).
- The release build uses link-time optimisation (about a tenth off).
- A damaged listing reports every few lines: the reports are composed by hand and written in
  one call each, and standard error is buffered when it is neither a terminal nor the same
  file as standard output.
EOF
} >"$DOC"
# romlift-report fix on damaged firmware listings: a section of its own, appended.
. "$ROOT/bench/fix_bench.sh"
# romlift-report fix on what tesseract reads of printed firmware listings: a section of its own.
. "$ROOT/bench/ocr_bench.sh"
# romlift-ocr against tesseract's word boxes on the same printed pages: a section of its own.
. "$ROOT/bench/romlift_ocr_bench.sh"
echo
echo "Results written to $DOC"
