#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "app/program.h"
#include "files/fits_time.h"
#include "port/ui.h"

namespace nvk::app {

// The label font: one glyph of 8 x 10 pixels for each of 'A'..'Z', 'a'..'z', '0'..'9', '/',
// ' ', '-' and ':'. Each glyph is ten rows of 8 bits; the most significant bit is the leftmost
// pixel.
inline constexpr int kGlyphWidth = 8;
inline constexpr int kGlyphHeight = 10;
using Glyph = std::array<std::uint8_t, kGlyphHeight>;
// The glyph of `c`, or nullopt for a character the font does not have.
std::optional<Glyph> labelGlyph(char c);

// The label line: 64 character cells, the text centred (spaces in front while their count is
// below (64 - text length - r) / 2, r = 24 with the date and 0 without), then the date text.
inline constexpr int kLabelCells = 64;
inline constexpr std::size_t kMaxLabelLength = 30;
// "  hh:mm:ss UT dd-mm-yyyy ".
std::string labelDateText(const files::CivilTime& ut);
std::string labelLine(std::string_view text, const std::optional<files::CivilTime>& date);

// Stamps the line into RawImage: the first 6,600 samples become 0, each character with a glyph
// is drawn into rows 0..9 of its 8-column cell (65535 for a set bit, 0 for a clear one), and
// the label marker 17 goes into samples 0..5.
void stampLabel(image::Plane raw, int width, std::string_view line);

// The "&Label" command after its dialog's OK: the date (with auto date) is the time now in
// Universal Time (local time + the UT offset); stamps and redraws.
void LabelImage(Program& program, std::string_view text);

// "Label Current Image": the text edit under "Enter the Label text" (emptied each time the
// command starts), the "Auto Date" check box (the program's flag; each click toggles it), OK
// and Cancel.
class LabelDialog final : public port::DialogModel {
 public:
  explicit LabelDialog(bool& autoDate) : autoDate_(autoDate) {}

  std::string_view dialogId() const override { return "TLabelDialog"; }
  std::string title() const override { return "Label Current Image"; }

  const std::string& editText() const { return edit_; }
  void setEditText(std::string text) { edit_ = std::move(text); }
  bool autoDate() const { return autoDate_; }
  void clickAutoDate() { autoDate_ = !autoDate_; }
  // "OK": takes up to 30 characters of the edit as the label text.
  void ok() { label_ = edit_.substr(0, kMaxLabelLength); }
  const std::string& labelText() const { return label_; }

 private:
  bool& autoDate_;
  std::string edit_;
  std::string label_;
};

// Command 8: shows the dialog and stamps the label on OK.
void LabelCommand(Program& program);

}  // namespace nvk::app
