#include "registers/label_list.h"

#include "bytes/short_text.h"

namespace romlift {

bool holdsLabel(const LabelNode* list, const char* label) {
  for (; list != nullptr; list = list->next)
    if (sameText(label, list->label)) return true;
  return false;
}

}  // namespace romlift
