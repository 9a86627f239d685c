// The actions hung on the grammar's productions: what a recognised line does to the registers
// and the image files.
#pragma once

#include "bytes/short_text.h"
#include "grammar/line_observer.h"
#include "grammar/parser.h"
#include "output/image_writer.h"
#include "registers/registers.h"
#include "scanner/scanner.h"

namespace romlift {

// The fields of the current line that the actions fill and hand to the registers.
struct LineFields {
  // adr and lab are written as separate words and read right after: kept apart, so that the
  // compiler never reads the two with one load, which would wait for both stores.
  ShortText adr;      // address text of the current line, 4 characters
  char seg[12] = {};  // address range of the current page; empty before the first header
  ShortText lab;      // label text of the current line, at most 6 characters
  const char* segCopy = "";  // the registers' copy of seg (Registers::keepSegment)
};

class Reductions : public ParserActions {
 public:
  // Reads the current token from scanner; writes fields, the registers and the writer.
  Reductions(const Scanner& scanner, LineFields& fields, Registers& registers, ImageWriter& writer,
             LineObserver* observer = nullptr)
      : scanner_(scanner), fields_(fields), registers_(registers), writer_(writer), observer_(observer) {}

  void reduce(Production production) override;
  void shifted(int token) override;
  void rejected(int token) override;

 private:
  void writeCode(Production production);

  const Scanner& scanner_;
  LineFields& fields_;
  Registers& registers_;
  ImageWriter& writer_;
  LineObserver* observer_;
};

}  // namespace romlift
