#include "page_render.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H

#include <algorithm>
#include <cmath>
#include <map>

#include "scan_effects.h"

namespace romlift::bench::pages {
namespace {

constexpr double kInkSpread = 0.06;  // share of the pitch that an impact printer's strokes gain

struct NamedLevel {
  const char* name;
  Scan scan;
  ScanLevel level;
};
// The fields of ScanLevel: ink, spread, wave, holes, blur, tilt from and to, specks, jitter,
// paper, noise.
constexpr NamedLevel kLevels[] = {
    {"clean", Scan::Clean, {1.0, 0.0, 0.0, 0, 0.0, 0.0, 0.0, 0, 0, 0.97, 0.02}},
    {"average", Scan::Average, {0.85, 0.15, 0.2, 0, 1.0, 0.25, 0.25, 25, 0, 0.94, 0.03}},
    {"poor", Scan::Poor, {0.95, 0.3, 0.3, 3, 1.5, 0.3, 0.45, 120, 2, 0.92, 0.03}},
};

}  // namespace

bool parseScan(std::string_view name, Scan& scan) {
  for (const NamedLevel& l : kLevels) {
    if (name == l.name) {
      scan = l.scan;
      return true;
    }
  }
  return false;
}

const ScanLevel& scanLevel(Scan scan) { return kLevels[static_cast<size_t>(scan)].level; }

struct Font::Impl {
  FT_Library library = nullptr;
  FT_Face face = nullptr;
  std::map<unsigned char, Glyph> glyphs;
  int pitch = 0;
  ~Impl() {
    if (face != nullptr) FT_Done_Face(face);
    if (library != nullptr) FT_Done_FreeType(library);
  }
};

Font::Font() : impl_(std::make_unique<Impl>()) {}
Font::~Font() = default;

bool Font::open(const char* path, int pitch, std::string& error) {
  if (FT_Init_FreeType(&impl_->library) != 0 || FT_New_Face(impl_->library, path, 0, &impl_->face) != 0) {
    error = std::string("FreeType cannot open ") + path;
    return false;
  }
  FT_Face face = impl_->face;
  impl_->pitch = pitch;
  if (FT_Load_Char(face, '0', FT_LOAD_NO_SCALE) != 0 || face->glyph->advance.x <= 0) {
    error = std::string("no digit 0 in ") + path;
    return false;
  }
  // The em size, in 1/64 pixel at 72 dpi (points are pixels), that makes the advance one cell.
  double em64 = 64.0 * pitch * face->units_per_EM / static_cast<double>(face->glyph->advance.x);
  if (FT_Set_Char_Size(face, 0, static_cast<FT_F26Dot6>(std::lround(em64)), 72, 72) != 0) {
    error = std::string("FreeType cannot scale ") + path;
    return false;
  }
  return true;
}

const Glyph& Font::glyph(unsigned char c) {
  auto found = impl_->glyphs.find(c);
  if (found != impl_->glyphs.end()) return found->second;
  Glyph& g = impl_->glyphs[c];
  FT_Face face = impl_->face;
  if (FT_Load_Char(face, c, FT_LOAD_DEFAULT) != 0) return g;  // a character the face lacks prints nothing
  // An impact printer's ribbon ink spreads into the paper: strokes come out bolder than the
  // face's outline, by kInkSpread of the pitch.
  if (face->glyph->format == FT_GLYPH_FORMAT_OUTLINE)
    FT_Outline_Embolden(&face->glyph->outline, static_cast<FT_Pos>(std::lround(64 * kInkSpread * impl_->pitch)));
  if (FT_Render_Glyph(face->glyph, FT_RENDER_MODE_NORMAL) != 0) return g;
  const FT_Bitmap& b = face->glyph->bitmap;
  g.left = face->glyph->bitmap_left;
  g.top = face->glyph->bitmap_top;
  g.width = static_cast<int>(b.width);
  g.rows = static_cast<int>(b.rows);
  for (unsigned r = 0; r < b.rows; ++r) {
    const unsigned char* row = b.buffer + static_cast<ptrdiff_t>(r) * b.pitch;
    g.coverage.insert(g.coverage.end(), row, row + b.width);
  }
  return g;
}

int Font::baseline(int line) { return (line + glyph('H').top) / 2; }

namespace {

struct LineInk {
  const ScanLevel& level;
  double waveLength;  // pixels between two worn places of the ribbon
  double phase;       // where this line's ribbon wear starts
};

// One character's glyph into the layer at its cell, darkened as the level says. Like a type
// slug, it prints nothing beyond the cell's sides.
void strike(InkLayer& layer, const Glyph& g, int penX, int pitch, int baseY, double darkness, const ScanLevel& level,
            parts::Rng& rng) {
  int x0 = penX + g.left, y0 = baseY - g.top;
  for (int r = 0; r < g.rows; ++r) {
    for (int c = 0; c < g.width; ++c) {
      int x = x0 + c, y = y0 + r;
      if (x < penX || x >= penX + pitch || y < 0 || x >= layer.width || y >= layer.height) continue;
      float v = static_cast<float>(darkness * g.coverage[static_cast<size_t>(r * g.width + c)] / 255.0);
      layer.at(x, y) = std::max(layer.at(x, y), v);
    }
  }
  if (level.holes > 0 && g.rows > 0) breakStrokes(layer, x0, y0, x0 + g.width, y0 + g.rows, level.holes, rng);
}

// The line's characters, each at its column cell on the line's baseline.
void printLine(InkLayer& layer, std::string_view text, int row, const Geometry& geo, Font& font, const LineInk& ink,
               parts::Rng& rng) {
  const ScanLevel& level = ink.level;
  int base = geo.top + row * geo.line + font.baseline(geo.line);
  for (size_t col = 0; col < text.size(); ++col) {
    unsigned char ch = static_cast<unsigned char>(text[col]);
    if (ch <= ' ' || ch > '~') continue;
    int x = geo.left + static_cast<int>(col) * geo.pitch;
    // A worn ribbon: lighter and darker stretches along the line, a sine of the position.
    double wear = 0.5 + 0.5 * std::sin(2 * std::acos(-1.0) * x / ink.waveLength + ink.phase);
    // Uneven strikes: each character lighter by a share of its own.
    double darkness = level.ink * (1 - level.inkSpread * unit(rng)) * (1 - level.ribbonWave * wear);
    // An uneven baseline: each character up or down by a few pixels.
    int jitter = level.baselineJitter > 0 ? rng.range(-level.baselineJitter, level.baselineJitter) : 0;
    strike(layer, font.glyph(ch), x, geo.pitch, base + jitter, darkness, level, rng);
  }
}

// Paper under the ink, with its grain (Gaussian, Box-Muller), as 8-bit gray.
Image develop(const InkLayer& layer, const ScanLevel& level, parts::Rng& rng) {
  Image image{layer.width, layer.height, std::vector<uint8_t>(layer.ink.size())};
  double twoPi = 2 * std::acos(-1.0);
  for (size_t i = 0; i < layer.ink.size(); i += 2) {
    double r = std::sqrt(-2 * std::log(1 - unit(rng))), a = twoPi * unit(rng);
    double grain[2] = {r * std::cos(a), r * std::sin(a)};
    for (size_t k = 0; k < 2 && i + k < layer.ink.size(); ++k) {
      double v = level.paper * (1 - std::min(1.0f, layer.ink[i + k])) + level.noise * grain[k];
      image.pixels[i + k] = static_cast<uint8_t>(std::lround(255 * std::clamp(v, 0.0, 1.0)));
    }
  }
  return image;
}

}  // namespace

Image renderPage(const std::vector<std::string_view>& lines, const PageLines& page, const Geometry& geometry,
                 Font& font, Scan scan, uint64_t seed) {
  const ScanLevel& level = scanLevel(scan);
  parts::Rng rng(seed * 0x9E3779B97F4A7C15ull + page.first);
  InkLayer layer{geometry.width, geometry.height,
                 std::vector<float>(static_cast<size_t>(geometry.width) * static_cast<size_t>(geometry.height), 0.0f)};
  double waveLength = between(rng, 400, 900);
  for (size_t r = 0; r < page.count && page.first - 1 + r < lines.size(); ++r) {
    LineInk ink{level, waveLength, between(rng, 0, 2 * std::acos(-1.0))};
    printLine(layer, lines[page.first - 1 + r], static_cast<int>(r), geometry, font, ink, rng);
  }
  blur(layer, level.blur);
  double angle = between(rng, level.tiltMin, level.tiltMax);
  tilt(layer, rng.percent(50) ? angle : -angle);
  speckle(layer, level.specks, rng);
  return develop(layer, level, rng);
}

std::string formatPgm(const Image& image) {
  std::string out = "P5\n" + std::to_string(image.width) + " " + std::to_string(image.height) + "\n255\n";
  out.append(reinterpret_cast<const char*>(image.pixels.data()), image.pixels.size());
  return out;
}

}  // namespace romlift::bench::pages
