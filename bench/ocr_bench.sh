# romlift-report fix on what a real OCR engine reads, sourced by bench/run_bench.sh once
# docs/performance.md is written (or run on its own: `bash bench/ocr_bench.sh` rewrites only its
# section of the document). Firmware listings are printed as scanned pages at three scan levels
# (bench/render_pages), read with the tesseract command and put back in their columns
# (bench/ocr_rebuild); fix's patch of the OCR'd text is applied with GNU patch and everything is
# scored against the printed listing (bench/ocr_score). Uses run_bench.sh's helpers (calc, die)
# and settings (ROOT, BUILD, DATA, GEN, REPORT, DOC, tmp).
#
# Settings (environment): OCR_SEEDS, the listings' seeds (default "11 12 13 14 15 16");
# OCR_LEVELS, the scan levels (default "clean average poor"); OCR_FONT, the face (default
# FreeMono); OCR_MB, the listings' size (default 0.012: one section of 340 to 500 code lines).
# Pages and tesseract's output are kept in $DATA/ocr/FACE/LEVEL/ (tesseract takes a second or
# more a page): delete them after changing render_pages.
if [ "${BASH_SOURCE[0]}" = "$0" ]; then  # on its own: what run_bench.sh would have set
  cd "$(dirname "$0")/.."
  . bench/section_alone.sh ocr_bench
  if [ "${BENCH_SKIP_BUILD:-0}" != 1 ]; then
    { cmake --preset release && cmake --build --preset release --target romlift romlift-report gen_listing; } \
      >"$tmp/build.log" 2>&1 || { cat "$tmp/build.log" >&2; die "the release build failed"; }
  fi
  REPORT=$ROOT/$BUILD/romlift-report
fi
OCR_SEEDS=${OCR_SEEDS:-11 12 13 14 15 16}
OCR_LEVELS=${OCR_LEVELS:-clean average poor}
OCR_FONT=${OCR_FONT:-/usr/share/fonts/truetype/freefont/FreeMono.ttf}
OCR_MB=${OCR_MB:-0.012}
if [ "${BENCH_SKIP_BUILD:-0}" != 1 ]; then
  cmake --build --preset release --target render_pages ocr_rebuild ocr_score >"$tmp/build-ocr.log" 2>&1 ||
    { cat "$tmp/build-ocr.log" >&2; die "the OCR tools did not build"; }
fi
command -v tesseract >/dev/null || die "the tesseract command is needed: install the tesseract-ocr package"
command -v patch >/dev/null || die "GNU patch is needed for the OCR benchmark"
[ -r "$OCR_FONT" ] || die "no face $OCR_FONT: install fonts-freefont-ttf (or set OCR_FONT)"
RENDER=$ROOT/$BUILD/bench/render_pages
REBUILD=$ROOT/$BUILD/bench/ocr_rebuild
OSCORE=$ROOT/$BUILD/bench/ocr_score
face=$(basename "$OCR_FONT" .ttf)
OCR_DIR=$ROOT/$DATA/ocr

# ocr_listing LEVEL SEED: the pages printed and read (cached), the OCR'd listing and fix's
# patch of it, then its score line, appended to $tmp/ocr-LEVEL.scores.
ocr_listing() {
  local level=$1 seed=$2 truth dir pages=() page
  truth=$OCR_DIR/s$seed.lst
  dir=$OCR_DIR/$face/$level
  mkdir -p "$dir"
  [ -s "$truth" ] || "$GEN" --mb "$OCR_MB" --variant firmware --seed "$seed" >"$truth" || die "gen_listing failed"
  [ -s "$dir/s$seed.geom" ] || "$RENDER" --prefix "$dir/s$seed" --scan "$level" --seed "$seed" --font "$OCR_FONT" \
    "$truth" || die "render_pages failed ($level, seed $seed)"
  for page in "$dir/s$seed"-[0-9][0-9][0-9].pgm; do
    if [ -s "${page%.pgm}.tsv" ]; then pages+=("${page%.pgm}.tsv"); else pages+=("$page"); fi
  done
  local ocr=$dir/s$seed.ocr.lst
  "$REBUILD" --geometry "$dir/s$seed.geom" --save-tsv "${pages[@]}" >"$ocr" || die "ocr_rebuild failed ($level, seed $seed)"
  local status=0  # 1 says fix left something, 2 that it failed
  "$REPORT" fix --name "s$seed.lst" <"$ocr" >"$dir/s$seed.diff" 2>"$dir/s$seed.fix.txt" || status=$?
  [ "$status" -le 1 ] || die "romlift-report fix failed ($level, seed $seed)"
  cp "$ocr" "$dir/s$seed.patched.lst"
  if [ -s "$dir/s$seed.diff" ]; then
    patch -s "$dir/s$seed.patched.lst" <"$dir/s$seed.diff" >/dev/null || die "patch refused fix's patch ($level, seed $seed)"
  fi
  "$OSCORE" --truth "$truth" --ocr "$ocr" --patched "$dir/s$seed.patched.lst" --diff "$dir/s$seed.diff" \
    --report "$REPORT" --confusions 1000 >"$dir/s$seed.score" || die "ocr_score failed ($level, seed $seed)"
  cat "$dir/s$seed.score" >>"$tmp/ocr-$level.scores"
  # The first-page headers that come through whole: romlift reads no section without its own.
  local header
  grep '^PAGE 01 ' "$truth" | while IFS= read -r header; do
    echo "ocr_headers headers=1 headers_ocr=$(grep -cxF "$header" "$ocr")" \
      "headers_patched=$(grep -cxF "$header" "$dir/s$seed.patched.lst")"
  done >>"$tmp/ocr-$level.scores"
}

# ocr_sum LEVEL NAME: the figure NAME added up over the level's listings.
ocr_sum() { grep '^ocr_\(score\|headers\)' "$tmp/ocr-$1.scores" | tr ' ' '\n' | sed -n "s/^$2=//p" | awk '{ n += $1 } END { print n + 0 }'; }
# ocr_confusions LEVEL N: the level's N most frequent misreadings, added up over its listings.
ocr_confusions() {
  grep '^ocr_confusions' "$tmp/ocr-$1.scores" | tr ' ' '\n' | grep '=' |
    awk -F= '{ n[$1] += $2 } END { for (e in n) print n[e], e }' | sort -k1,1nr -k2 | head -n "$2" |
    awk '{ printf "%s`%s` %d", (NR > 1 ? ", " : ""), $2, $1 } END { print "" }'
}
ocr_pct() { [ "$2" -gt 0 ] && calc %.1f%% "100 * $1 / $2" || echo -; }

ocr_table() {
  echo "| Scan    | Char errors 0-43 | Code lines damaged | True ROM bytes before fix | After fix | Bytes not the truth's before / after | Code lines hidden | Listings exact | First headers whole before / after |"
  echo "|---------|-----------------:|-------------------:|--------------------------:|----------:|-------------------------------------:|------------------:|---------------:|-----------------------------------:|"
  local level chars errs code damaged truth before after fb fa hidden exact n headers
  for level in $OCR_LEVELS; do
    chars=$(ocr_sum "$level" chars) errs=$(ocr_sum "$level" char_errors)
    code=$(ocr_sum "$level" code_lines) damaged=$(ocr_sum "$level" code_lines_damaged)
    truth=$(ocr_sum "$level" bytes_truth) before=$(ocr_sum "$level" bytes_true_ocr)
    after=$(ocr_sum "$level" bytes_true_patched) fb=$(ocr_sum "$level" bytes_false_ocr)
    fa=$(ocr_sum "$level" bytes_false_patched) hidden=$(ocr_sum "$level" code_lines_hidden)
    exact=$(ocr_sum "$level" listings_exact) n=$(grep -c '^ocr_score' "$tmp/ocr-$level.scores")
    headers="$(ocr_sum "$level" headers_ocr) / $(ocr_sum "$level" headers_patched) of $(ocr_sum "$level" headers)"
    printf '| %-7s | %16s | %18s | %25s | %9s | %36s | %17s | %14s | %34s |\n' "$level" "$(ocr_pct "$errs" "$chars")" \
      "$(ocr_pct "$damaged" "$code")" "$(ocr_pct "$before" "$truth")" "$(ocr_pct "$after" "$truth")" "$fb / $fa" \
      "$hidden" "$exact of $n" "$headers"
  done
}

for level in $OCR_LEVELS; do
  : >"$tmp/ocr-$level.scores"
  for seed in $OCR_SEEDS; do ocr_listing "$level" "$seed"; done
done
echo
echo "romlift-report fix on real OCR ($face, seeds $OCR_SEEDS):"
echo
ocr_table
{
  cat <<EOF

## romlift-report fix on real OCR

\`romlift-report fix\` on what the tesseract command reads from firmware listings printed
with a fixed-pitch face and scanned at three levels, the figures of the listings added up per
level. Face: $face. OCR: $(tesseract --version 2>&1 | head -n 1). Listings:
\`gen_listing --mb $OCR_MB --variant firmware --seed S\` for the seeds $OCR_SEEDS.
Made by \`bash bench/ocr_bench.sh\` (or \`make bench\`), which runs for each listing:

\`\`\`sh
render_pages --prefix page --scan LEVEL --seed S --font $face.ttf firmware.lst
ocr_rebuild --geometry page.geom --save-tsv page-*.pgm > ocr.lst
romlift-report fix < ocr.lst > fix.diff
cp ocr.lst patched.lst && patch patched.lst < fix.diff
ocr_score --truth firmware.lst --ocr ocr.lst --patched patched.lst --diff fix.diff --report romlift-report
\`\`\`

The pages are 300 dpi, 10 characters and 6 lines an inch. \`clean\`: black ink, light paper
grain. \`average\`: faded and uneven ribbon ink, a few specks, a blur of 1 pixel, the page
turned by a quarter degree. \`poor\`: more fading, broken strokes, many specks, a blur of 1.5
pixels, the page turned by up to half a degree, characters up to 2 pixels off the baseline.
ocr_rebuild puts each word tesseract reads back at its line and column, so the OCR'd text has
the listing's lines one for one. Character errors are edits in columns 0 to 43 against the
characters there; a code line is damaged when its columns 0 to 43 differ. ROM bytes are those
of \`romlift-report ihex\`: true when the truth has the same byte at the same address, "not the
truth's" when the truth has another byte or none there. A code line is hidden when fix's patch
removes a line that reads as a numbered code line (look-alikes read as digits) and no code
line the hunk adds stands for it (one with its address or line number first, then one with its
object code, then any left over), nor a twin the hunk keeps: a line joined to a comment or
deleted. A listing is exact when romlift writes the truth's three image files from the
patched listing. The last column counts the sections' first-page headers (\`PAGE 01 ...\`)
found whole in the OCR'd and in the patched text: romlift reads no line of a section whose
header it does not recognise, nor any after the first bad line of a section, so ROM bytes
come through only where everything before them did.

$(ocr_table)

Most frequent misreadings in columns 0 to 43 (\`T>O\`: T read as O; \`T>\` left out; \`>O\` put
in; \`_\` is a blank), with their counts:

$(for level in $OCR_LEVELS; do echo "- $level: $(ocr_confusions "$level" 12)"; done)
EOF
} >"$tmp/ocr-section.md"
# The section replaces the one an earlier run wrote, wherever it stands in the document.
. "$ROOT/bench/doc_section.sh"
doc_section "## romlift-report fix on real OCR" "$tmp/ocr-section.md"
