#include "ocr/engine.h"

#include <tesseract/baseapi.h>
#include <tesseract/resultiterator.h>

#include <algorithm>
#include <cstring>

namespace romlift::ocr {
namespace {

// The symbol under the iterator, with its choices. The engine's confidence in its reading goes
// to its first choice: the choice list gives the first about 0.92 whatever it is, the others
// mostly 0.
Symbol symbolAt(const tesseract::ResultIterator& it) {
  Symbol s;
  int top = 0, bottom = 0;
  it.BoundingBox(tesseract::RIL_SYMBOL, &s.left, &top, &s.right, &bottom);
  tesseract::ChoiceIterator choice(it);
  bool first = true;
  do {
    const char* text = choice.GetUTF8Text();
    float confidence = first ? it.Confidence(tesseract::RIL_SYMBOL) : choice.Confidence();
    first = false;
    if (text == nullptr || std::strlen(text) != 1 || text[0] <= ' ' || text[0] > '~') continue;
    s.choices.push_back({text[0], std::clamp(confidence / 100.0f, 0.0f, 1.0f)});
  } while (choice.Next());
  return s;
}

}  // namespace

Engine::Engine() : api_(std::make_unique<tesseract::TessBaseAPI>()) {}
Engine::~Engine() = default;

bool Engine::open(std::string& why) {
  // The engine's own messages (a missing model, a resolution guessed) would mix with ours.
  api_->SetVariable("debug_file", "/dev/null");
  if (api_->Init(nullptr, "eng", tesseract::OEM_LSTM_ONLY) != 0) {
    why = "mod\xC3\xA8le anglais de tesseract introuvable (installer le paquet tesseract-ocr-eng)";
    return false;
  }
  api_->SetVariable("debug_file", "/dev/null");
  api_->SetVariable("lstm_choice_mode", "2");  // the choices of each character, not only the best
  api_->SetPageSegMode(tesseract::PSM_SINGLE_LINE);
  return true;
}

void Engine::setPage(const GrayImage& page, int dpi) {
  api_->SetImage(page.pixels.data(), page.width, page.height, 1, page.width);
  api_->SetSourceResolution(dpi);
}

std::vector<Symbol> Engine::read(const Box& box, const std::string& allowed) {
  if (allowed != allowed_) {
    api_->SetVariable("tessedit_char_whitelist", allowed.c_str());
    allowed_ = allowed;
  }
  api_->SetRectangle(box.left, box.top, box.right - box.left, box.bottom - box.top);
  std::vector<Symbol> symbols;
  if (api_->Recognize(nullptr) != 0) return symbols;
  std::unique_ptr<tesseract::ResultIterator> it(api_->GetIterator());
  if (!it || it->Empty(tesseract::RIL_SYMBOL)) return symbols;
  do {
    symbols.push_back(symbolAt(*it));
  } while (it->Next(tesseract::RIL_SYMBOL));
  return symbols;
}

}  // namespace romlift::ocr
