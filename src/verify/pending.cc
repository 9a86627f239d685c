#include "verify/pending.h"

#include <algorithm>

namespace romlift::verify {

bool PendingLine::assign(const isa::SourceLine& s) {
  if (s.mnemonic.size() > kMnemonic || s.operand.size() > kOperand) return false;
  mnemonicLength = static_cast<uint8_t>(s.mnemonic.size());
  operandLength = static_cast<uint8_t>(s.operand.size());
  std::copy(s.mnemonic.begin(), s.mnemonic.end(), mnemonic);
  std::copy(s.operand.begin(), s.operand.end(), operand);
  address = s.address;
  return true;
}

uint32_t Segments::id(std::string_view text) {
  auto it = ids_.find(text);
  if (it != ids_.end()) return it->second;
  auto id = static_cast<uint32_t>(texts_.size());
  texts_.emplace_back(text);
  ids_.emplace(std::string(text), id);
  return id;
}

uint32_t Segments::idOf(const char* registerCopy) {
  if (registerCopy != lastCopy_) {
    lastCopy_ = registerCopy;
    lastId_ = id(registerCopy);
  }
  return lastId_;
}

}  // namespace romlift::verify
