#include "checks/xref.h"

#include <map>
#include <set>
#include <string>
#include <utility>

#include "bytes/short_text.h"

namespace romlift {
namespace {

using Key = std::pair<std::string, std::string>;  // segment, label

// What the symbol tables and the EQU and DS lines hold, looked up by segment and label.
struct Index {
  std::set<std::string> tabled;                    // segments with a symbol table
  std::set<Key> symbolLabels;                      // labels the tables give, at any address
  std::map<Key, const Directive*> directives;      // the last EQU or DS line of each label
};

Index indexOf(const SymbolLists& symbols, const DirectiveLog& log) {
  Index ix;
  for (const AddressEntry* e = symbols.stawllist(); e != nullptr; e = e->next) {
    ix.tabled.insert(e->seg);
    for (const LabelNode* l = e->labels; l != nullptr; l = l->next) ix.symbolLabels.insert({e->seg, l->label});
  }
  for (const DirectiveLog::Entry& d : log.entries())
    if (d.directive.label.text[0] != '\0') ix.directives[{log.pages()[d.page].seg, d.directive.label.c_str()}] = &d.directive;
  return ix;
}

// The pages whose segment has no symbol table, each named once.
void namePagesWithoutTable(FILE* out, const DirectiveLog& log, const Index& ix) {
  std::set<std::string> named;
  for (const DirectiveLog::Page& p : log.pages()) {
    if (ix.tabled.count(p.seg) || !named.insert(p.seg).second) continue;
    std::fprintf(out, "<<< Info >>> : segment %s (ligne %d) : aucune table de symboles lue, ses labels ne sont pas compar\xC3\xA9s\n",
                 p.seg.c_str(), p.lineno);
  }
}

int codeLabels(FILE* out, const CodeLists& codes, const SymbolLists& symbols, const Index& ix) {
  int problems = 0;
  for (const AddressEntry* e = codes.awllist(); e != nullptr; e = e->next) {
    if (!ix.tabled.count(e->seg)) continue;
    for (const LabelNode* l = e->labels; l != nullptr; l = l->next) {
      bool pair = symbols.find(e->adr, e->seg) != nullptr;
      if (symbols.stexistadrlab(e->adr, e->seg, l->label)) continue;
      ++problems;
      if (pair)
        std::fprintf(out, "<<< Erreur >>> : label %s absent des tables de symboles en %s %s\n", l->label, e->seg,
                     e->adr);
    }
  }
  return problems;
}

// An EQU or DS label that the tables give at another address is told from the tables' side.
int directiveLabels(FILE* out, const DirectiveLog& log, const Index& ix) {
  int problems = 0;
  for (const DirectiveLog::Entry& entry : log.entries()) {
    const Directive& d = entry.directive;
    const std::string& seg = log.pages()[entry.page].seg;
    if (d.label.text[0] == '\0' || !ix.tabled.count(seg) || ix.symbolLabels.count({seg, d.label.c_str()})) continue;
    ++problems;
    std::fprintf(out, "<<< Erreur >>> : label %s (%s ligne %d) absent des tables de symboles en %s %04X\n",
                 d.label.c_str(), d.name(), d.lineno, seg.c_str(), d.value);
  }
  return problems;
}

// Told by the EQU or DS line of the label: 0 when it accounts for the entry, 1 when its value
// differs (with a message), -1 when there is no such line.
int byDirective(FILE* out, const AddressEntry& e, const char* label, const Index& ix) {
  auto it = ix.directives.find({e.seg, label});
  if (it == ix.directives.end()) return -1;
  const Directive& d = *it->second;
  char value[8];
  std::snprintf(value, sizeof value, "%04X", d.value);
  if (sameText(value, e.adr)) return 0;
  if (d.kind == Directive::Kind::Equ)
    std::fprintf(out, "<<< Erreur >>> : label %s vaut %s (EQU ligne %d) et %s dans les tables de symboles en %s\n", label,
                 value, d.lineno, e.adr, e.seg);
  else
    std::fprintf(out, "<<< Erreur >>> : label %s en %s (DS ligne %d) et en %s dans les tables de symboles en %s\n",
                 label, value, d.lineno, e.adr, e.seg);
  return 1;
}

int symbolLabels(FILE* out, const CodeLists& codes, const SymbolLists& symbols, const Index& ix) {
  int problems = 0;
  for (const AddressEntry* e = symbols.stawllist(); e != nullptr; e = e->next) {
    for (const LabelNode* l = e->labels; l != nullptr; l = l->next) {
      const AddressEntry* code = codes.find(e->adr, e->seg);
      if (code != nullptr && holdsLabel(code->labels, l->label)) continue;
      if (int told = byDirective(out, *e, l->label, ix); told >= 0) {
        problems += told;
        continue;
      }
      if (codes.existadrlab(e->adr, e->seg, l->label)) continue;
      ++problems;
      if (code != nullptr)
        std::fprintf(out, "<<< Erreur >>> : label %s absent des lignes de code avec label en %s %s\n", l->label,
                     e->seg, e->adr);
    }
  }
  return problems;
}

}  // namespace

int xref(FILE* out, const CodeLists& codes, const SymbolLists& symbols, const DirectiveLog& directives) {
  Index ix = indexOf(symbols, directives);
  namePagesWithoutTable(out, directives, ix);
  int problems = codeLabels(out, codes, symbols, ix);
  problems += directiveLabels(out, directives, ix);
  problems += symbolLabels(out, codes, symbols, ix);
  std::fprintf(out, "Nb erreurs : %d\n", problems);
  return problems;
}

}  // namespace romlift
