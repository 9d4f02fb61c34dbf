#include "base/messages.h"

#include <algorithm>
#include <array>
#include <string>

#include "base/atomic_file.h"

namespace nvk::base {
namespace {

struct MessageEntry {
  int code;
  std::string_view text;
};

constexpr std::array<MessageEntry, 43> kMessages{{
    {1, "Warning!\nNo INI file found, please set defaults..."},
    {2, "Sorry, outside Image area - try again"},
    {4,
     "Sorry. Guide star lost.\n\nStar may have moved more than 10 pixels, or has different "
     "intensity to previous reading (+/-5%)"},
    {5,
     "Sorry. Cannot find suitable guide star\n\nStar must be at least +/-5% of next "
     "brightest."},
    {7, "Failed to Open Darkframe KR File"},
    {8, "Failed to create temp bitmap"},
    {9, "Unable to create temp bitmap file header"},
    {10, "Unable to create temp bitmap file"},
    {11, "Failed to Open KR File"},
    {12, "You didn't choose a valid KR or suitable FITs File"},
    {13, "Unable to load FITS file"},
    {14, "Unable to load FITS file, File was not saved by this program"},
    {16, "Sorry, you didn't choose a KR File"},
    {17, "Failed to Save KR File"},
    {18, "Unable to create/overwrite KR File"},
    {22, "Sorry, chosen Darkframe is not an KR File"},
    {23, "Unable to load INI file, please delete and try again"},
    {24, "Unable to save INI file, please check disk space"},
    {25, "Failed to Open Flatfield KR File"},
    {26, "Sorry, chosen Flatfield is not a KR File"},
    {27, "Unable to load INI file, please delete and try again"},
    {29, "Unable to create file, check disk space"},
    {30,
     "Sorry, Merging only available in standard Geometry. Ensure Image is not stretched to "
     "fit window or in KR geometry."},
    {31, "Sorry, you are already in Merging mode."},
    {32, "Cannot open bitmap file"},
    {33, "Sorry. Cannot Pick Star in ths display mode"},
    {34, "Sorry. No Connection to Telescope"},
    {35, "Sorry, you cannot run Photometry, Row Plot and Merging at the same time"},
    {36,
     "Sorry, Photometry only available in standard Geometry. Ensure Image is not stretched "
     "to fit window or in KG geometry."},
    {37,
     "Sorry, you are already in Photometry mode. Click left Mouse button when on object you "
     "wish to measure"},
    {38,
     "Sorry, Row Plot only available in standard Geometry. Ensure Image is not stretched to "
     "fit window or in KG geometry."},
    {40,
     "Sorry, you must first load an autosaved file to start the sequence, or there are no "
     "more files"},
    {51, "AutoGuiding Terminated"},
    {52, "Sorry, Invalid directory"},
    {59, "Sorry, already guiding with external camera"},
    {68, "Already Colour Converted"},
    {69, "Image Not Colour Converted"},
    {70, "Sorry, this is not a suitable Flat file"},
    {71, "Sorry, you can only save a colour converted file as a Flat file"},
    {72, "Sorry, you can only save a colour converted file as a RGB FITS file"},
    {73, "Sorry, Not available in full screen display"},
    // Codes 41 (an empty box on purpose) and the codes the guiding code passes without a text
    // (53, 55) fall through to the empty text.
    {41, ""},
    {50, ""},
}};

constexpr std::size_t kMaxCallerText = 255;

}  // namespace

std::string_view messageText(int code) {
  const auto* entry = std::find_if(kMessages.begin(), kMessages.end(),
                                   [code](const MessageEntry& e) { return e.code == code; });
  return entry == kMessages.end() ? std::string_view{} : entry->text;
}

void ShowMessage(port::Ui& ui, int code, std::string_view text) {
  if (code == kCallerTextMessage) {
    ui.showMessage(kMessageTitle, text.substr(0, kMaxCallerText));
  } else {
    ui.showMessage(kMessageTitle, messageText(code));
  }
}

std::string withWriteFailure(std::string_view message) {
  const std::string reason = takeWriteFailure();
  std::string text(message);
  if (!reason.empty()) text += "\n" + reason;
  return text;
}

void ShowWriteFailure(port::Ui& ui, int code, std::string_view text) {
  const std::string_view message =
      code == kCallerTextMessage ? text.substr(0, kMaxCallerText) : messageText(code);
  ui.showMessage(kMessageTitle, withWriteFailure(message));
}

int ShowErrorCode(port::Ui& ui, int value) {
  if (value >= 0) return value;
  ShowMessage(ui, kCallerTextMessage, "ERROR " + std::to_string(value) + " ");
  return -1;
}

}  // namespace nvk::base
