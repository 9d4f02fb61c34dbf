#include "app/label_stamp.h"

#include <algorithm>
#include <cstdio>
#include <string_view>

namespace nvk::app {
namespace {

// The font, drawn here: each glyph is 7 rows of 5 pixels ('#' set), or 9 rows for the letters
// that descend below the line. It is placed one pixel in from the left and one down from the
// top of its 8 x 10 cell.
struct GlyphArt {
  char c;
  std::string_view rows;  // rows of 5 characters separated by single spaces
};

// clang-format off
constexpr GlyphArt kFontArt[] = {
    {'A', ".###. #...# #...# ##### #...# #...# #...#"},
    {'B', "####. #...# #...# ####. #...# #...# ####."},
    {'C', ".###. #...# #.... #.... #.... #...# .###."},
    {'D', "####. #...# #...# #...# #...# #...# ####."},
    {'E', "##### #.... #.... ####. #.... #.... #####"},
    {'F', "##### #.... #.... ####. #.... #.... #...."},
    {'G', ".###. #...# #.... #.### #...# #...# .####"},
    {'H', "#...# #...# #...# ##### #...# #...# #...#"},
    {'I', ".###. ..#.. ..#.. ..#.. ..#.. ..#.. .###."},
    {'J', "..### ...#. ...#. ...#. ...#. #..#. .##.."},
    {'K', "#...# #..#. #.#.. ##... #.#.. #..#. #...#"},
    {'L', "#.... #.... #.... #.... #.... #.... #####"},
    {'M', "#...# ##.## #.#.# #.#.# #...# #...# #...#"},
    {'N', "#...# #...# ##..# #.#.# #..## #...# #...#"},
    {'O', ".###. #...# #...# #...# #...# #...# .###."},
    {'P', "####. #...# #...# ####. #.... #.... #...."},
    {'Q', ".###. #...# #...# #...# #.#.# #..#. .##.#"},
    {'R', "####. #...# #...# ####. #.#.. #..#. #...#"},
    {'S', ".#### #.... #.... .###. ....# ....# ####."},
    {'T', "##### ..#.. ..#.. ..#.. ..#.. ..#.. ..#.."},
    {'U', "#...# #...# #...# #...# #...# #...# .###."},
    {'V', "#...# #...# #...# #...# #...# .#.#. ..#.."},
    {'W', "#...# #...# #...# #.#.# #.#.# #.#.# .#.#."},
    {'X', "#...# #...# .#.#. ..#.. .#.#. #...# #...#"},
    {'Y', "#...# #...# .#.#. ..#.. ..#.. ..#.. ..#.."},
    {'Z', "##### ....# ...#. ..#.. .#... #.... #####"},
    {'a', "..... ..... .###. ....# .#### #...# .####"},
    {'b', "#.... #.... #.##. ##..# #...# #...# ####."},
    {'c', "..... ..... .###. #.... #.... #...# .###."},
    {'d', "....# ....# .##.# #..## #...# #...# .####"},
    {'e', "..... ..... .###. #...# ##### #.... .###."},
    {'f', "..##. .#..# .#... ###.. .#... .#... .#..."},
    {'g', "..... ..... .#### #...# #...# .#### ....# ....# .###."},
    {'h', "#.... #.... #.##. ##..# #...# #...# #...#"},
    {'i', "..#.. ..... .##.. ..#.. ..#.. ..#.. .###."},
    {'j', "...#. ..... ..##. ...#. ...#. ...#. ...#. #..#. .##.."},
    {'k', "#.... #.... #..#. #.#.. ##... #.#.. #..#."},
    {'l', ".##.. ..#.. ..#.. ..#.. ..#.. ..#.. .###."},
    {'m', "..... ..... ##.#. #.#.# #.#.# #.#.# #.#.#"},
    {'n', "..... ..... #.##. ##..# #...# #...# #...#"},
    {'o', "..... ..... .###. #...# #...# #...# .###."},
    {'p', "..... ..... ####. #...# #...# ####. #.... #.... #...."},
    {'q', "..... ..... .##.# #..## #...# .#### ....# ....# ....#"},
    {'r', "..... ..... #.##. ##..# #.... #.... #...."},
    {'s', "..... ..... .###. #.... .###. ....# ####."},
    {'t', ".#... .#... ###.. .#... .#... .#..# ..##."},
    {'u', "..... ..... #...# #...# #...# #..## .##.#"},
    {'v', "..... ..... #...# #...# #...# .#.#. ..#.."},
    {'w', "..... ..... #...# #...# #.#.# #.#.# .#.#."},
    {'x', "..... ..... #...# .#.#. ..#.. .#.#. #...#"},
    {'y', "..... ..... #...# #...# #...# .#### ....# ....# .###."},
    {'z', "..... ..... ##### ...#. ..#.. .#... #####"},
    {'0', ".###. #...# #..## #.#.# ##..# #...# .###."},
    {'1', "..#.. .##.. ..#.. ..#.. ..#.. ..#.. .###."},
    {'2', ".###. #...# ....# ...#. ..#.. .#... #####"},
    {'3', "####. ....# ....# .###. ....# ....# ####."},
    {'4', "...#. ..##. .#.#. #..#. ##### ...#. ...#."},
    {'5', "##### #.... ####. ....# ....# #...# .###."},
    {'6', "..##. .#... #.... ####. #...# #...# .###."},
    {'7', "##### ....# ...#. ..#.. .#... .#... .#..."},
    {'8', ".###. #...# #...# .###. #...# #...# .###."},
    {'9', ".###. #...# #...# .#### ....# ...#. .##.."},
    {'/', "....# ....# ...#. ..#.. .#... #.... #...."},
    {' ', "..... ..... ..... ..... ..... ..... ....."},
    {'-', "..... ..... ..... ##### ..... ..... ....."},
    {':', "..... ..##. ..##. ..... ..##. ..##. ....."},
};
// clang-format on

constexpr Glyph toGlyph(std::string_view art) {
  Glyph glyph{};
  int row = 1;
  for (std::size_t at = 0; at < art.size(); at += 6, ++row) {
    std::uint8_t bits = 0;
    for (int column = 0; column < 5; ++column) {
      if (art[at + column] == '#') bits |= static_cast<std::uint8_t>(0x80 >> (column + 1));
    }
    glyph[row] = bits;
  }
  return glyph;
}

constexpr bool artIsWellFormed() {
  for (const GlyphArt& g : kFontArt) {
    if (g.rows.size() != 7 * 6 - 1 && g.rows.size() != 9 * 6 - 1) return false;
    for (std::size_t i = 0; i < g.rows.size(); ++i) {
      const char c = g.rows[i];
      if (i % 6 == 5 ? c != ' ' : c != '#' && c != '.') return false;
    }
  }
  return true;
}
static_assert(artIsWellFormed());
static_assert(std::size(kFontArt) == 66);

constexpr std::size_t kClearedSamples = 6600;
constexpr std::uint16_t kLabelMarker = 17;
constexpr int kMarkerSamples = 6;

}  // namespace

std::optional<Glyph> labelGlyph(char c) {
  for (const GlyphArt& g : kFontArt) {
    if (g.c == c) return toGlyph(g.rows);
  }
  return std::nullopt;
}

std::string labelDateText(const files::CivilTime& ut) {
  char text[48];
  std::snprintf(text, sizeof text, "  %02d:%02d:%02d UT %02d-%02d-%d ", ut.hour, ut.minute,
                ut.second, ut.day, ut.month, ut.year);
  return text;
}

std::string labelLine(std::string_view text, const std::optional<files::CivilTime>& date) {
  text = text.substr(0, kMaxLabelLength);
  const unsigned reserve = date ? 24u : 0u;
  const unsigned spaces = (kLabelCells - static_cast<unsigned>(text.size()) - reserve) / 2;
  std::string line(spaces, ' ');
  line += text;
  if (date) line += labelDateText(*date);
  if (line.size() > kLabelCells) line.resize(kLabelCells);
  return line;
}

void stampLabel(image::Plane raw, int width, std::string_view line) {
  std::fill_n(raw.begin(), kClearedSamples, 0);
  for (std::size_t cell = 0; cell < line.size(); ++cell) {
    const std::optional<Glyph> glyph = labelGlyph(line[cell]);
    if (!glyph) continue;
    for (int row = 0; row < kGlyphHeight; ++row) {
      for (int column = 0; column < kGlyphWidth; ++column) {
        const bool set = ((*glyph)[row] & (0x80 >> column)) != 0;
        raw[static_cast<std::size_t>(row) * width + cell * kGlyphWidth + column] = set ? 65535 : 0;
      }
    }
  }
  std::fill_n(raw.begin(), kMarkerSamples, kLabelMarker);
}

void LabelImage(Program& program, std::string_view text) {
  std::optional<files::CivilTime> date;
  if (program.labelAutoDate) {
    date = files::addHours(files::localTimeOf(program.clock().wallSeconds()),
                           program.fits.utOffsetHours);
  }
  stampLabel(program.planes.RawImage, program.geometry.width, labelLine(text, date));
  program.ui().requestRedraw();
}

void LabelCommand(Program& program) {
  LabelDialog dialog(program.labelAutoDate);
  if (program.ui().runDialog(dialog) == port::DialogResult::Ok) {
    LabelImage(program, dialog.labelText());
  }
}

}  // namespace nvk::app
