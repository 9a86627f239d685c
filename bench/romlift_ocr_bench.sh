# romlift-ocr against tesseract's word boxes put back in their columns, on the same printed
# pages; sourced by bench/run_bench.sh once docs/performance.md is written (or run on its own:
# `bash bench/romlift_ocr_bench.sh` rewrites only its section of the document). For each
# firmware listing and scan level: the pages printed (bench/render_pages), read by each reader,
# the text's fields scored against the printed listing, fix's patch applied and the ROM bytes
# scored (bench/ocr_score). Uses run_bench.sh's helpers (calc, die) and settings (ROOT, BUILD,
# DATA, GEN, DOC, tmp).
#
# Settings (environment): ROCR_SEEDS, the listings' seeds (default "21 22 23 24 25 26", listings
# romlift-ocr was not tuned on); ROCR_LEVELS (default "clean average poor"); ROCR_FONT, the face
# (default FreeMono); ROCR_READERS, the readers compared (default: the word boxes, romlift-ocr,
# and romlift-ocr with --method=rank and with --engine-only); ROCR_FIX, the romlift-report
# whose fix corrects the text (default this tree's). Pages and tesseract's word boxes are kept
# in $DATA/ocr/FACE/LEVEL/, as bench/ocr_bench.sh keeps them.
if [ "${BASH_SOURCE[0]}" = "$0" ]; then  # on its own: what run_bench.sh would have set
  cd "$(dirname "$0")/.."
  . bench/section_alone.sh romlift_ocr_bench
fi
ROCR_SEEDS=${ROCR_SEEDS:-21 22 23 24 25 26}
ROCR_LEVELS=${ROCR_LEVELS:-clean average poor}
ROCR_FONT=${ROCR_FONT:-/usr/share/fonts/truetype/freefont/FreeMono.ttf}
ROCR_READERS=${ROCR_READERS:-boxes cut rank cut-engine rank-engine}
if [ "${BENCH_SKIP_BUILD:-0}" != 1 ]; then
  { cmake --preset release && cmake --build --preset release --target romlift romlift-report romlift-ocr gen_listing \
    render_pages ocr_rebuild ocr_score timed_run; } >"$tmp/build-rocr.log" 2>&1 ||
    { cat "$tmp/build-rocr.log" >&2; die "the release build of romlift-ocr and the OCR tools failed"; }
fi
ROCR_FIX=${ROCR_FIX:-$ROOT/$BUILD/romlift-report}
OCR_TOOL=$ROOT/$BUILD/romlift-ocr
RENDER=$ROOT/$BUILD/bench/render_pages
REBUILD=$ROOT/$BUILD/bench/ocr_rebuild
OSCORE=$ROOT/$BUILD/bench/ocr_score
TIMED=$ROOT/$BUILD/bench/timed_run
command -v tesseract >/dev/null || die "the tesseract command is needed: install the tesseract-ocr package"
command -v patch >/dev/null || die "GNU patch is needed for the OCR benchmark"
[ -r "$ROCR_FONT" ] || die "no face $ROCR_FONT: install fonts-freefont-ttf (or set ROCR_FONT)"
rocr_face=$(basename "$ROCR_FONT" .ttf)
ROCR_DIR=$ROOT/$DATA/ocr
# tesseract and romlift-ocr on one core, as the target says.
export OMP_THREAD_LIMIT=1

# rocr_pages LEVEL SEED: the listing and its printed pages (kept), their names in $pages.
rocr_pages() {
  local level=$1 seed=$2 truth=$ROCR_DIR/s$2.lst dir=$ROCR_DIR/$rocr_face/$1
  mkdir -p "$dir"
  [ -s "$truth" ] || "$GEN" --mb 0.012 --variant firmware --seed "$seed" >"$truth" || die "gen_listing failed"
  [ -s "$dir/s$seed.geom" ] || "$RENDER" --prefix "$dir/s$seed" --scan "$level" --seed "$seed" --font "$ROCR_FONT" \
    "$truth" || die "render_pages failed ($level, seed $seed)"
  pages=("$dir/s$seed"-[0-9][0-9][0-9].pgm)
}

# rocr_boxes LEVEL SEED OUT: tesseract's word boxes put back in their columns. The boxes are
# kept beside the pages, with the wall and CPU seconds a page tesseract took to make them
# (timed_run, one core), which go to $seconds.
rocr_boxes() {
  local dir=$ROCR_DIR/$rocr_face/$1 page inputs=() timing=$ROCR_DIR/$rocr_face/$1/s$2.tesseract-seconds run
  for page in "${pages[@]}"; do
    if [ -s "${page%.pgm}.tsv" ] && [ -s "$timing" ]; then inputs+=("${page%.pgm}.tsv"); else inputs+=("$page"); fi
  done
  run=$("$TIMED" /dev/null "$3" "$tmp/rebuild.err" "$REBUILD" --geometry "$dir/s$2.geom" --save-tsv "${inputs[@]}")
  [ "${run##* }" = 0 ] || { cat "$tmp/rebuild.err" >&2; die "ocr_rebuild failed ($1, seed $2)"; }
  [[ ${inputs[0]} == *.tsv ]] || rocr_per_page "$run" >"$timing"
  seconds=$(cat "$timing")
}

# rocr_per_page TIMING: timed_run's wall and CPU seconds, a page of $pages.
rocr_per_page() {
  local wall cpu rest
  read -r wall cpu rest <<<"$1"
  echo "seconds=$(calc %.3f "$wall / ${#pages[@]}") cpu=$(calc %.3f "$cpu / ${#pages[@]}")"
}

# rocr_read READER LEVEL SEED OUT: the pages read by romlift-ocr as the reader says (cut, rank,
# cut-engine, rank-engine), its alternatives beside OUT; the seconds a page in $seconds.
rocr_read() {
  local options=(--method="${1%-engine}") run
  [[ $1 == *-engine ]] && options+=(--engine-only)
  run=$("$TIMED" /dev/null "$4" "$tmp/ocr.err" "$OCR_TOOL" "${options[@]}" --alternatives "$4.alt" "${pages[@]}")
  [ "${run##* }" = 0 ] || { cat "$tmp/ocr.err" >&2; die "romlift-ocr failed ($1, $2, seed $3)"; }
  seconds=$(rocr_per_page "$run")
}

# rocr_listing READER LEVEL SEED: the listing read, fixed and scored; its score line, with the
# seconds a page, appended to $tmp/rocr-READER-LEVEL.scores.
rocr_listing() {
  local reader=$1 level=$2 seed=$3 out=$ROCR_DIR/$rocr_face/$2/s$3.$1 status=0
  rocr_pages "$level" "$seed"
  if [ "$reader" = boxes ]; then rocr_boxes "$level" "$seed" "$out.lst"; else rocr_read "$reader" "$level" "$seed" "$out.lst"; fi
  # fix exits with 1 when it leaves something, 2 when it fails.
  "$ROCR_FIX" fix --name "s$seed.lst" <"$out.lst" >"$out.diff" 2>"$out.fix.txt" || status=$?
  [ "$status" -le 1 ] || die "romlift-report fix failed ($reader, $level, seed $seed)"
  cp "$out.lst" "$out.patched.lst"
  [ ! -s "$out.diff" ] || patch -s "$out.patched.lst" <"$out.diff" >/dev/null ||
    die "patch refused fix's patch ($reader, $level, seed $seed)"
  "$OSCORE" --truth "$ROCR_DIR/s$seed.lst" --ocr "$out.lst" --patched "$out.patched.lst" --diff "$out.diff" \
    --report "$ROCR_FIX" >"$out.score" || die "ocr_score failed ($reader, $level, seed $seed)"
  echo "$(cat "$out.score") $seconds pages=${#pages[@]}" >>"$tmp/rocr-$reader-$level.scores"
}

# rocr_sum READER LEVEL NAME: the figure added up over the level's listings.
rocr_sum() { tr ' ' '\n' <"$tmp/rocr-$1-$2.scores" | sed -n "s/^$3=//p" | awk '{ n += $1 } END { print n + 0 }'; }
# rocr_pct READER LEVEL PART WHOLE: the share of one figure in another, in percent.
rocr_pct() {
  local a b
  a=$(rocr_sum "$1" "$2" "$3") b=$(rocr_sum "$1" "$2" "$4")
  if [ "$b" -gt 0 ]; then calc %.2f%% "100 * $a / $b"; else echo -; fi
}
# rocr_seconds READER LEVEL NAME: the seconds (NAME seconds or cpu) a page over all the level's
# pages.
rocr_seconds() {
  tr ' ' '\n' <"$tmp/rocr-$1-$2.scores" | awk -F= -v name="$3" '$1 == name { s = $2 } $1 == "pages" { t += s * $2; n += $2 }
    END { if (n > 0) printf "%.2f", t / n; else print "-" }'
}

rocr_name() {
  case $1 in
    boxes) echo "tesseract word boxes" ;;
    cut) echo "romlift-ocr" ;;
    rank) echo "romlift-ocr --method=rank" ;;
    cut-engine) echo "romlift-ocr --engine-only" ;;
    rank-engine) echo "romlift-ocr --method=rank --engine-only" ;;
  esac
}

rocr_table() {
  echo "| Scan | Reader | Number | Address | Object | Label | Mnemonic | Operand | Hex digits right | True ROM bytes after fix | Bytes not the truth's after fix | CPU s/page | Wall s/page |"
  echo "|------|--------|-------:|--------:|-------:|------:|---------:|--------:|-----------------:|-------------------------:|--------------------------------:|-----------:|------------:|"
  local level reader field cells
  for level in $ROCR_LEVELS; do
    for reader in $ROCR_READERS; do
      cells=""
      for field in number address object label mnemonic operand; do
        cells+=" $(rocr_pct "$reader" "$level" "${field}_errors" "${field}_chars") |"
      done
      echo "| $level | $(rocr_name "$reader") |$cells $(rocr_pct "$reader" "$level" hex_right hex_digits) |" \
        "$(rocr_pct "$reader" "$level" bytes_true_patched bytes_truth) | $(rocr_sum "$reader" "$level" bytes_false_patched) |" \
        "$(rocr_seconds "$reader" "$level" cpu) | $(rocr_seconds "$reader" "$level" seconds) |"
    done
  done
}

for level in $ROCR_LEVELS; do
  for reader in $ROCR_READERS; do
    : >"$tmp/rocr-$reader-$level.scores"
    for seed in $ROCR_SEEDS; do rocr_listing "$reader" "$level" "$seed"; done
  done
done
echo
echo "romlift-ocr against tesseract's word boxes ($rocr_face, seeds $ROCR_SEEDS):"
echo
rocr_table
{
  cat <<EOF

## romlift-ocr against tesseract's word boxes

Firmware listings printed as scanned pages (as in the section above: $rocr_face, 300 dpi, 10
characters and 6 lines an inch, three scan levels), read on the same pages by tesseract's word
boxes put back in their columns (\`ocr_rebuild\`, as the section above reads them) and by
romlift-ocr, each then corrected by \`romlift-report fix\` and scored against the printed
listing; the figures of the listings added up per level. Listings: \`gen_listing --mb 0.012
--variant firmware --seed S\` for the seeds $ROCR_SEEDS, which romlift-ocr was not tuned on.
OCR: $(tesseract --version 2>&1 | head -n 1), English model, on one core
(\`OMP_THREAD_LIMIT=1\`). Made by \`bash bench/romlift_ocr_bench.sh\` (or \`make bench\`),
which runs for each listing:

\`\`\`sh
render_pages --prefix page --scan LEVEL --seed S --font $rocr_face.ttf firmware.lst
ocr_rebuild --geometry page.geom --save-tsv page-*.pgm > ocr.lst    # or
romlift-ocr [--method=rank] [--engine-only] page-*.pgm > ocr.lst
romlift-report fix < ocr.lst > fix.diff
cp ocr.lst patched.lst && patch patched.lst < fix.diff
ocr_score --truth firmware.lst --ocr ocr.lst --patched patched.lst --diff fix.diff --report romlift-report
\`\`\`

The field columns give the edits in each field of the code lines (line number 0-2, address
4-7, object code 9-14, label 20-25, mnemonic 28-31, operand 34-41) over the characters the
printed field holds; hex digits right are the address and object-code digits read as printed
at their column, straight from the reader. ROM bytes are those of \`romlift-report ihex\` on
the text after fix's patch: true when the printed listing has the same byte at the same
address, "not the truth's" when it has another byte or none there. CPU and wall s/page are
the reader's time over the listing's pages (\`timed_run\`), divided by their number; for the
word boxes, tesseract's when it read the pages. Other work on the machine lengthens the wall
time, not the CPU time. \`--method=rank\` reads each line as two boxes (the hex
columns, then the rest) and chooses each character among the engine's choices by its field,
instead of reading each field on its own; \`--engine-only\` leaves out the second reading of
the digits by the page's own glyphs.

$(rocr_table)

romlift-ocr's defaults come from rows like these. Once the page's glyphs read the digits
again, reading each field on its own (the default) and reading each line as two boxes
(\`--method=rank\`) get the hex digits equally right, but the fields read on their own give
labels and mnemonics far fewer errors on worn scans. The page's glyphs (the rows without
\`--engine-only\`) are what brings the hex digits from a few in a hundred wrong to about one
in ten thousand, and the ROM bytes after fix with them.
EOF
} >"$tmp/rocr-section.md"
# The section replaces the one an earlier run wrote, wherever it stands in the document.
. "$ROOT/bench/doc_section.sh"
doc_section "## romlift-ocr against tesseract's word boxes" "$tmp/rocr-section.md"
