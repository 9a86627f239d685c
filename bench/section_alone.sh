# What bench/run_bench.sh sets before it sources a section script (ocr_bench.sh,
# romlift_ocr_bench.sh), for a section script run on its own: sourced with the script's name,
# from the top of the source tree, as `. bench/section_alone.sh NAME`.
set -euo pipefail
ROOT=$PWD BUILD=build/release DATA=build/release/bench-data DOC=docs/performance.md
export LC_ALL=C
section_name=$1
die() {
  echo "$section_name: $*" >&2
  exit 1
}
calc() { awk "BEGIN { printf \"$1\", ($2) }"; }
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
GEN=$ROOT/$BUILD/bench/gen_listing
