// The state that the line actions share for one run: current-line fields, registers, writer.
#pragma once

#include <cstdio>
#include <string>
#include <utility>

#include "output/image_writer.h"
#include "registers/code_register.h"
#include "registers/symbol_register.h"

namespace romlift {

struct RunState {
  // out takes the registers' messages; fault hears of image files that fail.
  RunState(FILE* out, ImageWriter::FaultFn fault, std::string imageDir = {},
           ImageTarget images = ImageTarget::Files)
      : codes(out, &records), symbols(out, &records), writer(std::move(fault), std::move(imageDir), images) {}

  // adr and lab are written as separate words and read right after: kept apart, so that the
  // compiler never reads the two with one load, which would wait for both stores.
  ShortText adr = {};  // address text of the current line, 4 characters
  char seg[12] = {};   // address range of the current page; empty before the first header
  ShortText lab = {};  // label text of the current line, at most 6 characters
  // The registers' copy of seg, made once a page: handing the registers their own copy lets
  // them recognise the segment by its address instead of comparing its text at every line.
  const char* segCopy = "";
  // Both registers' records share one arena, so a short run fills one partial block, not three.
  Arena records;
  CodeRegister codes;
  SymbolRegister symbols;
  ImageWriter writer;
};

}  // namespace romlift
