# doc_section HEADING FILE: puts FILE, a section of docs/performance.md that starts with the
# line HEADING, in place of the one an earlier run wrote, wherever it stands in $DOC (at the
# end when there is none). Sourced by the section scripts of `make bench`.
doc_section() {
  awk -v start="$1" '
    $0 == start { skip = 1; next }
    skip && /^## / { skip = 0 }
    !skip { print }' "$DOC" | sed -e :a -e '/^\n*$/{$d;N;ba' -e '}' >"$tmp/doc.md"
  cat "$tmp/doc.md" "$2" >"$DOC"
}
