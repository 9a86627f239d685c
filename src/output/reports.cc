#include "output/reports.h"

#include "bytes/charclass.h"

namespace romlift {
namespace {

void listRegister(FILE* out, const AddressEntry* entry) {
  std::fputs("Label;Segment;Adresse\n", out);
  for (; entry != nullptr; entry = entry->next)
    for (const LabelNode* l = entry->labels; l != nullptr; l = l->next)
      std::fprintf(out, "%s;%s;%s\n", l->label, entry->seg, entry->adr);
}

// Characters that recognition mistakes for one another. The classes are not symmetric: each
// lists what the character on the left may have been read as, itself first.
const char* lookAlikes(char c) {
  switch (c) {
    case '0': return "[0O]";
    case '1': return "[1I]";
    case '2': return "[26F]";
    case '5': return "[5S]";
    case '6': return "[62]";
    case '8': return "[8B]";
    case 'B': return "[B8E]";
    case 'C': return "[CF]";
    case 'D': return "[DO]";
    case 'E': return "[EB]";
    case 'F': return "[F2CP]";
    case 'I': return "[I1]";
    case 'O': return "[O0DQ]";
    case 'P': return "[PF]";
    case 'Q': return "[QO]";
    case 'S': return "[S5]";
    default: return nullptr;
  }
}

// The label as a C string literal's contents.
std::string cEscaped(const char* label) {
  std::string s;
  for (const char* p = label; *p != '\0'; ++p) {
    if (*p == '"' || *p == '\\') s += '\\';
    s += *p;
  }
  return s;
}

}  // namespace

std::string tolerantPattern(const char* label, bool* hasConfusable) {
  std::string pattern;
  bool confusable = false;
  for (const char* p = label; *p != '\0'; ++p) {
    if (const char* alike = lookAlikes(*p)) {
      pattern += alike;
      confusable = true;
      continue;
    }
    // Anything but a letter, a digit or '_' may be special to the generator: quote it.
    if (*p == '?') confusable = true;
    if (!isLetter(*p) && !isDigit(*p) && *p != '_') pattern += '\\';
    pattern += *p;
  }
  if (hasConfusable) *hasConfusable = confusable;
  return pattern;
}

void Listecode(FILE* out, const CodeLists& codes) { listRegister(out, codes.awllist()); }

void Listest(FILE* out, const SymbolLists& symbols) { listRegister(out, symbols.stawllist()); }

void ListeER(FILE* out, const CodeLists& codes) {
  for (const AddressEntry* entry = codes.awllist(); entry != nullptr; entry = entry->next) {
    for (const LabelNode* l = entry->labels; l != nullptr; l = l->next) {
      bool confusable = false;
      std::string pattern = tolerantPattern(l->label, &confusable);
      if (!confusable) continue;
      std::fprintf(out, "{DEBER}%s{FINER} {sprintf(label,\"%%s\",\"%s\"); return(MOTAVERIFIER);}\n", pattern.c_str(),
                   cEscaped(l->label).c_str());
    }
  }
}

}  // namespace romlift
