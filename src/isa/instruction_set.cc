#include "isa/instruction_set.h"

#include "isa/intel8080.h"

namespace romlift::isa {
namespace {

// For listings of a processor without a table: every line is left to a learned set.
class NoInstructionSet final : public InstructionSet {
 public:
  std::string_view name() const override { return "none"; }
  Expected expected(const SourceLine&, const LabelResolver&) const override {
    return Expected::unknownMnemonic();
  }
};

}  // namespace

const InstructionSet* findInstructionSet(std::string_view name) {
  static const Intel8080Set k8085(true);
  static const Intel8080Set k8080(false);
  static const NoInstructionSet kNone;
  const InstructionSet* const sets[] = {&k8085, &k8080, &kNone};
  for (const InstructionSet* set : sets)
    if (set->name() == name) return set;
  return nullptr;
}

}  // namespace romlift::isa
