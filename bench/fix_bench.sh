# romlift-report fix in `make bench`, sourced by bench/run_bench.sh once docs/performance.md is
# written: OCR damage (bench/ocr_damage, which keeps the truth) on a firmware listing at three
# shares of the lines, fix's patch applied with GNU patch and scored against the truth
# (bench/fix_score) per damage kind, and the time of the listing at 2%; appended to the
# document as a section of its own. Uses run_bench.sh's helpers (listing, figure, median, calc,
# die) and settings (ROOT, BUILD, GEN, REPORT, TIMED, RUNS, DOC, tmp).
#
# Settings (environment): FIX_MB, the listing's size (default 1); FIX_SEEDS, the damage seeds
# (default "1 2 3"); FIX_SMALL_SEEDS, the seeds of the small listings whose images are compared
# whole (default 21 to 40).
FIX_MB=${FIX_MB:-1}
FIX_SEEDS=${FIX_SEEDS:-1 2 3}
FIX_SMALL_SEEDS=${FIX_SMALL_SEEDS:-$(seq -s ' ' 21 40)}
FIX_SMALL_PERCENTS=(2 3)
FIX_PERCENTS=(0.5 2 3 5)
FIX_KINDS=(lookalike blank tab stray split join cut lost mark multi duplicate inserted blankline banner all)
if [ "${BENCH_SKIP_BUILD:-0}" != 1 ]; then
  cmake --build --preset release --target ocr_damage fix_score >"$tmp/build-fix.log" 2>&1 ||
    { cat "$tmp/build-fix.log" >&2; die "the fix tools did not build"; }
fi
DAMAGE=$ROOT/$BUILD/bench/ocr_damage
SCORE=$ROOT/$BUILD/bench/fix_score
command -v patch >/dev/null || die "GNU patch is needed for the fix benchmark"
fixed=$(listing firmware "$FIX_MB")
[ -s "$fixed" ] && [ -s "$fixed.stats" ] ||
  { "$GEN" --mb "$FIX_MB" --variant firmware --seed 1 --stats >"$fixed" 2>"$fixed.stats"; }
first_seed=${FIX_SEEDS%% *}
declare -A FIXSUM  # percent,kind: damaged restored left wrong outside completed; percent,edits: wrong edits
fix_add() {  # fix_add KEY D R L W O C
  local key=$1 d r l w o c
  read -r d r l w o c <<<"${FIXSUM[$key]:-0 0 0 0 0 0}"
  FIXSUM[$key]="$((d + $2)) $((r + $3)) $((l + $4)) $((w + $5)) $((o + $6)) $((c + $7))"
}
fix_wall=
for p in "${FIX_PERCENTS[@]}"; do
  for s in $FIX_SEEDS; do
    d=$tmp/damaged-$p-$s.lst
    "$DAMAGE" --percent "$p" --seed "$s" --truth "$d.truth" <"$fixed" >"$d" || die "ocr_damage failed"
    runs=1
    [ "$p" = 2 ] && [ "$s" = "$first_seed" ] && runs=$RUNS
    : >"$tmp/times"
    for ((r = 1; r <= runs; r++)); do
      "$TIMED" "$d" "$d.diff" "$d.err" "$REPORT" fix >>"$tmp/times"
    done
    if [ "$runs" -gt 1 ]; then
      fix_wall=$(cut -d' ' -f1 "$tmp/times" | median)
      fix_cpu=$(cut -d' ' -f2 "$tmp/times" | median)
      fix_rss=$(cut -d' ' -f3 "$tmp/times" | median)
    fi
    cp "$d" "$d.patched"
    if [ -s "$d.diff" ]; then
      patch -s "$d.patched" <"$d.diff" >/dev/null || die "patch refused fix's patch at $p% (seed $s)"
    fi
    for field in $("$SCORE" --truth "$d.truth" --original "$fixed" --damaged "$d" --patched "$d.patched" | grep '^fix_score'); do
      case $field in
        wrong_edits=*) FIXSUM[$p,edits]=$((${FIXSUM[$p,edits]:-0} + ${field#*=})) ;;
        *=*/*) fix_add "$p,${field%%=*}" $(echo "${field#*=}" | tr '/' ' ') ;;
      esac
    done
  done
done
# Small listings (one section of about 12 KB, as a ROM of 2 KB prints) damaged at 2% and 3%:
# how many give the original's three image files exactly once fix's patch is applied.
declare -A FIXEXACT
images_of() {  # images_of LISTING DIR: romlift's image files of the listing, in DIR
  rm -rf "$2" && mkdir -p "$2" && (cd "$2" && "$ROOT/$BUILD/romlift" <"$1" >/dev/null 2>&1) || true
}
for p in "${FIX_SMALL_PERCENTS[@]}"; do
  for s in $FIX_SMALL_SEEDS; do
    o=$tmp/small-$s.lst d=$tmp/small-$p-$s.lst
    [ -s "$o" ] || "$GEN" --mb 0.012 --variant firmware --seed "$s" >"$o"
    "$DAMAGE" --percent "$p" --seed "$s" --truth "$d.truth" <"$o" >"$d" || die "ocr_damage failed"
    "$REPORT" fix <"$d" >"$d.diff" 2>/dev/null || true
    cp "$d" "$d.patched"
    [ -s "$d.diff" ] && { patch -s "$d.patched" <"$d.diff" >/dev/null || die "patch refused fix's patch of small listing $s"; }
    images_of "$o" "$tmp/images-o" && images_of "$d.patched" "$tmp/images-p"
    diff -r "$tmp/images-o" "$tmp/images-p" >/dev/null && FIXEXACT[$p]=$((${FIXEXACT[$p]:-0} + 1))
    FIXEXACT[$p,n]=$((${FIXEXACT[$p,n]:-0} + 1))
  done
done

fix_table() {
  echo "| Damage | Kind      | Damaged | Restored | Left alone | Wrong | Of which completed | Outside fields | Restored of fields damaged |"
  echo "|-------:|-----------|--------:|---------:|-----------:|------:|------:|---------------:|------:|"
  for p in "${FIX_PERCENTS[@]}"; do
    for k in "${FIX_KINDS[@]}"; do
      read -r dmg rest left wrong out done <<<"${FIXSUM[$p,$k]:-0 0 0 0 0 0}"
      share=-
      [ $((dmg - out)) -gt 0 ] && share=$(calc %.1f%% "100 * $rest / ($dmg - $out)")
      printf '| %5s%% | %-9s | %7s | %8s | %10s | %5s | %5s | %14s | %6s |\n' "$p" "$k" "$dmg" "$rest" "$left" "$wrong" "$done" "$out" "$share"
    done
  done
  echo
  for p in "${FIX_PERCENTS[@]}"; do echo "- ${p}% damage: edits on lines that were not damaged: ${FIXSUM[$p,edits]:-0}"; done
  echo
  for p in "${FIX_SMALL_PERCENTS[@]}"; do
    echo "- ${p}% damage, small listings: ${FIXEXACT[$p]:-0} of ${FIXEXACT[$p,n]:-0} give the original's image files exactly"
  done
}
fix_size=$(figure "$fixed" bytes)
echo
echo "romlift-report fix on a firmware listing of $(calc %.2f "$fix_size / 1e6") MB, damage seeds $FIX_SEEDS:"
echo
fix_table
echo
echo "Time of fix on the listing at 2% damage (median of $RUNS runs): $(calc %.3f "$fix_wall") s, CPU $(calc %.3f "$fix_cpu") s, $(calc %.1f "$fix_size / 1e6 / $fix_cpu") MB/s (target at least 5)."
{
  cat <<EOF

## romlift-report fix

\`romlift-report fix\` on a firmware listing of $(calc %.2f "$fix_size / 1e6") MB (\`gen_listing --mb $FIX_MB
--variant firmware --seed 1\`) damaged by the OCR model that keeps the truth, at each share of
the lines and with each damage seed ($FIX_SEEDS), the figures of the seeds added up:

\`\`\`sh
ocr_damage --percent P --seed S --truth truth.txt < firmware.lst > damaged.lst
romlift-report fix < damaged.lst > damaged.diff
cp damaged.lst patched.lst && patch patched.lst < damaged.diff
fix_score --truth truth.txt --original firmware.lst --damaged damaged.lst --patched patched.lst
\`\`\`

The damage kinds: a look-alike, a blank lost or added, a tab, a stray mark, a split line, two
lines joined, a line cut short, a line lost, a non-ASCII or control byte (mark), two or three
of these on one line (multi), a line printed twice, a line put in, an empty line put in, a
banner or header misread. Per damage kind, the code lines of the original listing that the
damage reached: restored exactly in columns 0 to 43, left alone, or changed and still wrong
("of which completed": a line cut after its object code whose text fix wrote from the bytes,
and says so; the bytes are the printed ones); "outside fields" counts those damaged after
column 43 only (in the comment) and left alone, and the last column is the share restored of
those damaged in their fields. A line or an empty line put in has no original line, and
counts in no row. fix_score counts a lost line as wrong when a hunk mends a
damaged line next to the place it was lost from, though nothing is put back for it; and it
compares columns 0 to 43 blanks included, so a line cut short before its comment, whose
comment nobody can know, never counts as restored. The small listings are \`gen_listing --mb
0.012 --variant firmware --seed S\` for the seeds $FIX_SMALL_SEEDS, each damaged with its own
seed, and compared by romlift's three image files. Goals: no wrong edit; at 2% and 3% damage
at least 90% of the code lines damaged in their fields restored; at least half of the small
listings exact; at least 5 MB/s.

$(fix_table)

Time of \`romlift-report fix\` on the listing at 2% damage (seed $first_seed), median of $RUNS
runs: $(calc %.3f "$fix_wall") s, of which $(calc %.3f "$fix_cpu") s of CPU, that is
$(calc %.1f "$fix_size / 1e6 / $fix_cpu") MB/s of the listing (target: at least 5 MB/s), with
$(calc %.1f "$fix_rss / 1024") MiB at most in memory.
EOF
} >>"$DOC"
