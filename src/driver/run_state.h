// The state that one run's line actions fill: current-line fields, registers, image writer.
#pragma once

#include <cstdio>
#include <string>
#include <utility>

#include "grammar/reductions.h"
#include "output/image_writer.h"
#include "registers/registers.h"

namespace romlift {

struct RunState {
  // out takes the registers' messages; fault hears of image files that fail.
  RunState(FILE* out, ImageWriter::FaultFn fault, std::string imageDir = {},
           ImageTarget images = ImageTarget::Files)
      : registers(out), writer(std::move(fault), std::move(imageDir), images) {}

  LineFields fields;
  Registers registers;
  ImageWriter writer;
};

}  // namespace romlift
