#include "reading/reader.h"

#include <map>

#include "reading/body.h"
#include "reading/names.h"
#include "reading/structure.h"
#include "reading/survey.h"
#include "reading/table.h"

namespace romlift::reading {

Reading readListing(const std::vector<std::string_view>& lines, const alternatives::Index* alternatives) {
  std::vector<Surveyed> shapes;
  shapes.reserve(lines.size());
  for (std::string_view l : lines) shapes.push_back(survey(l));
  Structure structure(lines, shapes);
  std::vector<Body> bodies;
  bodies.reserve(structure.sections().size());
  Scope scope = 0;
  for (const Section& s : structure.sections())
    if (s.header != kNone) bodies.emplace_back(lines, shapes, s, scope++, alternatives);
  Names names;
  std::map<size_t, std::string> rewrites = structure.rewrites();
  std::map<size_t, std::string> labels;
  std::vector<size_t> disputed;
  Uses uses;
  for (const Body& body : bodies) body.countUses(uses);
  scope = 0;
  for (const Section& s : structure.sections()) {
    if (s.header == kNone) continue;
    const Body& body = bodies[static_cast<size_t>(scope)];
    body.defineNames(names);
    Settled settled = settleTable(lines, readEntries(lines, shapes, s), body.definitions(), scope, uses);
    disputed.insert(disputed.end(), settled.disputed.begin(), settled.disputed.end());
    for (const auto& [spelling, value] : settled.unmatched) names.add(spelling, value, scope);
    ++scope;
    names.merge(settled.confirmed);
    labels.insert(settled.labels.begin(), settled.labels.end());
    rewrites.insert(settled.lines.begin(), settled.lines.end());
  }
  std::vector<size_t> deleted;
  Reading out;
  for (const Body& body : bodies) body.decide(names, labels, disputed, rewrites, deleted, out);
  std::map<size_t, Rewrite> all;
  for (auto& [line, text] : rewrites) all[line] = Rewrite{line, 1, {text}};
  for (size_t line : deleted) all[line] = Rewrite{line, 1, {}};
  for (auto& [line, r] : all) out.rewrites.push_back(std::move(r));
  return out;
}

}  // namespace romlift::reading
