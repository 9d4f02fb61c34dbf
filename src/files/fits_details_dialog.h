#pragma once

#include <array>
#include <string>
#include <string_view>

#include "image/fits_header_info.h"
#include "port/ui.h"

namespace nvk::files {

// The "FITS DETAILS" dialog ("Show/Edit Current Image FITS details"): edits FitsHeaderInfo before
// a FITS save, or on its own. The edits hold text; "Continue" copies them back (numbers read as
// with "%lf"), "Abort" keeps the record as it was. The eight-bit box acts at once.
class FitsDetailsDialog final : public port::DialogModel {
 public:
  struct Edit {
    int controlId;
    std::string_view label;
    std::size_t limit;  // characters
  };
  // The edits, in the order of the dialog.
  static constexpr std::array<Edit, 13> kEdits{{
      {101, "Object:", 67},
      {102, "Observer:", 67},
      {109, "Origin:", 67},
      {104, "Telescope:", 67},
      {113, "Focal Len (ins):", 19},
      {114, "Aperture (Sq. ins):", 19},
      {115, "Filter:", 67},
      {105, "Instrumentation:", 67},
      {116, "Exposure (secs):", 19},
      {107, "History:", 254},
      {106, "Comments:", 254},
      {103, "Date:", 11},
      {110, "Time:", 9},
  }};
  static constexpr int kUtOffsetEdit = 112;
  static constexpr int kUtOffsetScrollBar = 111;
  static constexpr int kEightBitBox = 108;
  static constexpr std::string_view kUtOffsetLabel = "Time Difference to UT in Hrs:";
  static constexpr std::string_view kEightBitLabel = "8 bit integer (16 bit default)";
  static constexpr int kMinUtOffset = -11;
  static constexpr int kMaxUtOffset = 11;

  // Fills the edits from `info`; `eightBit` is the program's flag the box toggles.
  FitsDetailsDialog(image::FitsHeaderInfo& info, bool& eightBit);

  std::string_view dialogId() const override { return "TFitsDetailsDialog"; }
  std::string title() const override { return "FITS DETAILS"; }

  // The text of edit `controlId` (an id of kEdits, or kUtOffsetEdit).
  const std::string& text(int controlId) const;
  // Typing into an edit: the text is cut to the edit's limit. False for an unknown id.
  bool setText(int controlId, std::string_view text);

  int utOffset() const { return utOffset_; }
  // The scroll bar's arrows: one hour up or down, within -11..11.
  void scrollUtOffset(int step);

  bool eightBit() const { return eightBit_; }
  void toggleEightBit() { eightBit_ = !eightBit_; }

  // "Continue": copies every edit into the record and closes with Ok.
  port::DialogResult pressContinue();
  // "Abort": closes with Abort, the record untouched.
  port::DialogResult pressAbort() { return port::DialogResult::Abort; }

 private:
  static const Edit* findEdit(int controlId);
  std::string& slot(int controlId);

  image::FitsHeaderInfo& info_;
  bool& eightBit_;
  std::array<std::string, kEdits.size()> texts_;
  std::string utOffsetText_;
  int utOffset_ = 0;
};

// The "DELETE FILE DIALOG": asks "Delete this file?" with the full path shown read-only.
class DeleteFileDialog final : public port::DialogModel {
 public:
  static constexpr std::string_view kQuestion = "Delete this file?";

  explicit DeleteFileDialog(std::string path) : path_(std::move(path)) {}
  std::string_view dialogId() const override { return "TDeleteFileDialog"; }
  std::string title() const override { return "DELETE FILE DIALOG"; }
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

}  // namespace nvk::files
