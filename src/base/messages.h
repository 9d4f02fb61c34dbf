#pragma once

#include <string>
#include <string_view>

#include "port/ui.h"

namespace nvk::base {

// Title of every message box of the program.
inline constexpr std::string_view kMessageTitle = "NVK_K7LQ_USB";

// The program's numbered messages; the value is the message's code. Codes without an
// enumerator show an empty box.
enum class Message : int {
  NoIniFile = 1,
  OutsideImageArea = 2,
  GuideStarLost = 4,
  NoSuitableGuideStar = 5,
  DarkFrameOpenFailed = 7,
  CreateTempBitmapFailed = 8,
  CreateTempBitmapHeaderFailed = 9,
  CreateTempBitmapFileFailed = 10,
  KrFileOpenFailed = 11,
  NotKrOrFitsFile = 12,
  UnableToLoadFits = 13,
  FitsNotSavedByProgram = 14,
  NoKrFileChosen = 16,
  SaveKrFileFailed = 17,
  OverwriteKrFileFailed = 18,
  DarkFrameNotKrFile = 22,
  UnableToLoadIni = 23,
  UnableToSaveIni = 24,
  FlatFieldOpenFailed = 25,
  FlatFieldNotKrFile = 26,
  UnableToLoadIniOther = 27,  // the text of UnableToLoadIni under a code of its own
  CreateFileFailed = 29,
  MergingNeedsStandardGeometry = 30,
  AlreadyMerging = 31,
  CannotOpenBitmap = 32,
  CannotPickStarInDisplayMode = 33,
  NoTelescopeConnection = 34,
  MeasureToolsExclusive = 35,
  PhotometryNeedsStandardGeometry = 36,
  AlreadyInPhotometry = 37,
  RowPlotNeedsStandardGeometry = 38,
  NoAutosavedFile = 40,
  EmptyBox = 41,    // an empty box on purpose
  CallerText = 50,  // the text is given by the caller
  AutoGuidingTerminated = 51,
  InvalidDirectory = 52,
  AlreadyGuidingExternal = 59,
  AlreadyColourConverted = 68,
  NotColourConverted = 69,
  NotFlatFile = 70,
  FlatNeedsColourConverted = 71,
  RgbFitsNeedsColourConverted = 72,
  NotInFullScreen = 73,
};

// The fixed text of `message`; empty for EmptyBox, CallerText and a code without a text.
std::string_view messageText(Message message);

// Shows `message` in a box titled "NVK_K7LQ_USB" with an OK button. CallerText shows `text`
// (at most 255 characters); every other message shows its fixed text, or nothing when it has
// none.
void ShowMessage(port::Ui& ui, Message message, std::string_view text = {});

// ShowMessage for a save that failed: the message, then on the line below the system's reason
// that the failed write recorded (takeWriteFailure()), when it recorded one.
void ShowWriteFailure(port::Ui& ui, Message message, std::string_view text = {});
// `message` (a text) with that reason below it.
std::string withWriteFailure(std::string_view message);

// A negative value is shown as "ERROR %d " and gives -1; any other value is returned unchanged.
int ShowErrorCode(port::Ui& ui, int value);

}  // namespace nvk::base
