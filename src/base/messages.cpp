#include "base/messages.h"

#include <string>

#include "base/atomic_file.h"

namespace nvk::base {
namespace {

constexpr std::size_t kMaxCallerText = 255;

}  // namespace

std::string_view messageText(Message message) {
  // No default: the compiler names an enumerator left without a case here.
  switch (message) {
    case Message::NoIniFile:
      return "Warning!\nNo INI file found, please set defaults...";
    case Message::OutsideImageArea:
      return "Sorry, outside Image area - try again";
    case Message::GuideStarLost:
      return "Sorry. Guide star lost.\n\nStar may have moved more than 10 pixels, or has different "
             "intensity to previous reading (+/-5%)";
    case Message::NoSuitableGuideStar:
      return "Sorry. Cannot find suitable guide star\n\nStar must be at least +/-5% of next "
             "brightest.";
    case Message::DarkFrameOpenFailed:
      return "Failed to Open Darkframe KR File";
    case Message::CreateTempBitmapFailed:
      return "Failed to create temp bitmap";
    case Message::CreateTempBitmapHeaderFailed:
      return "Unable to create temp bitmap file header";
    case Message::CreateTempBitmapFileFailed:
      return "Unable to create temp bitmap file";
    case Message::KrFileOpenFailed:
      return "Failed to Open KR File";
    case Message::NotKrOrFitsFile:
      return "You didn't choose a valid KR or suitable FITs File";
    case Message::UnableToLoadFits:
      return "Unable to load FITS file";
    case Message::FitsNotSavedByProgram:
      return "Unable to load FITS file, File was not saved by this program";
    case Message::NoKrFileChosen:
      return "Sorry, you didn't choose a KR File";
    case Message::SaveKrFileFailed:
      return "Failed to Save KR File";
    case Message::OverwriteKrFileFailed:
      return "Unable to create/overwrite KR File";
    case Message::DarkFrameNotKrFile:
      return "Sorry, chosen Darkframe is not an KR File";
    case Message::UnableToSaveIni:
      return "Unable to save INI file, please check disk space";
    case Message::FlatFieldOpenFailed:
      return "Failed to Open Flatfield KR File";
    case Message::FlatFieldNotKrFile:
      return "Sorry, chosen Flatfield is not a KR File";
    case Message::UnableToLoadIni:
    case Message::UnableToLoadIniOther:
      return "Unable to load INI file, please delete and try again";
    case Message::CreateFileFailed:
      return "Unable to create file, check disk space";
    case Message::MergingNeedsStandardGeometry:
      return "Sorry, Merging only available in standard Geometry. Ensure Image is not stretched to "
             "fit window or in KR geometry.";
    case Message::AlreadyMerging:
      return "Sorry, you are already in Merging mode.";
    case Message::CannotOpenBitmap:
      return "Cannot open bitmap file";
    case Message::CannotPickStarInDisplayMode:
      return "Sorry. Cannot Pick Star in ths display mode";
    case Message::NoTelescopeConnection:
      return "Sorry. No Connection to Telescope";
    case Message::MeasureToolsExclusive:
      return "Sorry, you cannot run Photometry, Row Plot and Merging at the same time";
    case Message::PhotometryNeedsStandardGeometry:
      return "Sorry, Photometry only available in standard Geometry. Ensure Image is not stretched "
             "to fit window or in KG geometry.";
    case Message::AlreadyInPhotometry:
      return "Sorry, you are already in Photometry mode. Click left Mouse button when on object "
             "you wish to measure";
    case Message::RowPlotNeedsStandardGeometry:
      return "Sorry, Row Plot only available in standard Geometry. Ensure Image is not stretched "
             "to fit window or in KG geometry.";
    case Message::NoAutosavedFile:
      return "Sorry, you must first load an autosaved file to start the sequence, or there are no "
             "more files";
    case Message::AutoGuidingTerminated:
      return "AutoGuiding Terminated";
    case Message::InvalidDirectory:
      return "Sorry, Invalid directory";
    case Message::AlreadyGuidingExternal:
      return "Sorry, already guiding with external camera";
    case Message::AlreadyColourConverted:
      return "Already Colour Converted";
    case Message::NotColourConverted:
      return "Image Not Colour Converted";
    case Message::NotFlatFile:
      return "Sorry, this is not a suitable Flat file";
    case Message::FlatNeedsColourConverted:
      return "Sorry, you can only save a colour converted file as a Flat file";
    case Message::RgbFitsNeedsColourConverted:
      return "Sorry, you can only save a colour converted file as a RGB FITS file";
    case Message::NotInFullScreen:
      return "Sorry, Not available in full screen display";
    case Message::EmptyBox:
    case Message::CallerText:
      break;
  }
  return {};
}

void ShowMessage(port::Ui& ui, Message message, std::string_view text) {
  if (message == Message::CallerText) {
    ui.showMessage(kMessageTitle, text.substr(0, kMaxCallerText));
  } else {
    ui.showMessage(kMessageTitle, messageText(message));
  }
}

std::string withWriteFailure(std::string_view message) {
  const std::string reason = takeWriteFailure();
  std::string text(message);
  if (!reason.empty()) text += "\n" + reason;
  return text;
}

void ShowWriteFailure(port::Ui& ui, Message message, std::string_view text) {
  const std::string_view shown =
      message == Message::CallerText ? text.substr(0, kMaxCallerText) : messageText(message);
  ui.showMessage(kMessageTitle, withWriteFailure(shown));
}

int ShowErrorCode(port::Ui& ui, int value) {
  if (value >= 0) return value;
  ShowMessage(ui, Message::CallerText, "ERROR " + std::to_string(value) + " ");
  return -1;
}

}  // namespace nvk::base
