// Intel's assembler directives, which mean the same whatever the processor.
#pragma once

#include <cstdint>
#include <string_view>

#include "isa/instruction_set.h"

namespace romlift::isa {

// What a directive line must give: the bytes of DB and DW, not checkable for the directives
// that give no object code of their own (DS, EQU, SET, ORG, END); unknown mnemonic otherwise.
Expected intelDirective(uint32_t packedMnemonic, const SourceLine& line, const LabelResolver& labels);

}  // namespace romlift::isa
