# romlift-report fix in `make bench`, sourced by bench/run_bench.sh once docs/performance.md is
# written: OCR damage (bench/ocr_damage, which keeps the truth) on a firmware listing at three
# shares of the lines, fix's patch applied with GNU patch and scored against the truth
# (bench/fix_score) per damage kind, and the time of the listing at 2%; appended to the
# document as a section of its own. Uses run_bench.sh's helpers (listing, figure, median, calc,
# die) and settings (ROOT, BUILD, GEN, REPORT, TIMED, RUNS, DOC, tmp).
#
# Settings (environment): FIX_MB, the listing's size (default 1); FIX_SEEDS, the damage seeds
# (default "1 2 3").
FIX_MB=${FIX_MB:-1}
FIX_SEEDS=${FIX_SEEDS:-1 2 3}
FIX_PERCENTS=(0.5 2 5)
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
    [ "$runs" -gt 1 ] && fix_wall=$(cut -d' ' -f1 "$tmp/times" | median)
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
}
fix_size=$(figure "$fixed" bytes)
echo
echo "romlift-report fix on a firmware listing of $(calc %.2f "$fix_size / 1e6") MB, damage seeds $FIX_SEEDS:"
echo
fix_table
echo
echo "Time of fix on the listing at 2% damage (median of $RUNS runs): $(calc %.3f "$fix_wall") s (target under 1 s)."
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

Per damage kind, the code lines of the original listing that the damage reached: restored
exactly in columns 0 to 43, left alone, or changed and still wrong; "outside fields" counts
those damaged after column 43 only (in the comment) and left alone, and the last column is
the share restored of those damaged in their fields. fix_score counts a lost line as wrong
when a hunk mends a damaged line next to the place it was lost from, though nothing is put
back for it; and it compares columns 0 to 43 blanks included, so a line cut short before its
comment, whose comment nobody can know, never counts as restored. Goals: no wrong edit, and
at 2% damage at least 80% of the code lines damaged in their fields restored.

$(fix_table)

Time of \`romlift-report fix\` on the listing at 2% damage (seed $first_seed), median of $RUNS
runs: $(calc %.3f "$fix_wall") s (target: under a second).
EOF
} >>"$DOC"
