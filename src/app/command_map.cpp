#include "app/command_map.h"

#include <array>

#include "acquire/exposure_sequence.h"
#include "acquire/guider_dialog.h"
#include "acquire/main_guiding.h"
#include "app/label_stamp.h"
#include "app/measure_commands.h"
#include "app/window_commands.h"
#include "colour/anti_alias.h"
#include "colour/colour_tools.h"
#include "colour/single_filter.h"
#include "colour/synthesis.h"
#include "files/file_commands.h"
#include "process/calibration.h"
#include "process/filters.h"
#include "process/process_dialogs.h"
#include "process/stretch.h"
#include "process/undo.h"
#include "scope/mount_factory.h"
#include "scope/move_telescope_dialog.h"

namespace nvk::app {
namespace {

namespace wc = window_commands;
namespace mc = measure_commands;

// A File menu command: the files subsystem does the work; the file the user chose in a file
// dialog (Open and the saves) gives the window its title.
template <int Id>
void fileCommand(CommandContext& c) {
  if (const auto chosen = files::findFileCommand(Id)->run(c.program)) {
    c.window.setDocumentTitle(chosen->filename().string());
  }
}
// The autoguider camera dialog; its "Go to Main Camera" opens the camera interface.
void autoGuiderCamera(CommandContext& c) {
  if (acquire::AutoGuiderCamera(c.program) == acquire::GuiderOutcome::GoToMainCamera) {
    dispatchCommand(c, 12);  // the camera interface command
  }
}

using enum Menu;
constexpr Enabling kTelescope = Enabling::TelescopeDrive;
constexpr Enabling kPicture = Enabling::PictureExists;

// ---------------------------------------------------------------------------------------------
// The command table: every menu and tool-bar command of the program, in menu order.
//
// To wire a command, put its handler in the fifth column of its line: a function
// `void f(CommandContext&)`, or a capture-less lambda calling the subsystem, e.g.
//     {24332, "&Open...", "Ctrl+O", File, [](CommandContext& c) { files::Open(c.program); }},
// A line whose handler is nullptr is a command whose capability has not landed: the menu shows
// it disabled and dispatch refuses it. Nothing else needs to change: the menus, the tool bar,
// the accelerators and the enabling all follow this table.
//
// Ctrl+B is claimed both by Remove Background (120) and by Set Colour Balance (8116); it belongs
// to Remove Background, and the colour balance entry says so in its text.
// ---------------------------------------------------------------------------------------------
constexpr std::array kCommands{
    // File
    CommandInfo{24332, "&Open...", "Ctrl+O", File, fileCommand<files::command::kOpen>},
    CommandInfo{24333, "&Save...", "Ctrl+S", File, fileCommand<files::command::kSave>},
    CommandInfo{24334, "Save as &Tiff file...", "", File, fileCommand<files::command::kSaveTiff>},
    CommandInfo{24335, "S&ave as FITS file...", "Ctrl+F", File,
                fileCommand<files::command::kSaveFits>},
    CommandInfo{24338, "Save as &RGB Fits file", "Ctrl+R", File,
                fileCommand<files::command::kSaveRgbFits>},
    CommandInfo{24336, "&Quick Save as FITS...", "Ctrl+Q", File,
                fileCommand<files::command::kQuickSaveFits>},
    CommandInfo{24337, "Load next &Autosaved File", "Ctrl+A", File,
                fileCommand<files::command::kLoadNextAutosaved>},
    CommandInfo{127, "Save Fl&at File", "", File, fileCommand<files::command::kSaveFlat>},
    CommandInfo{13, "&Delete File...", "", File, fileCommand<files::command::kDeleteFile>,
                Enabling::Always, nullptr, true},
    CommandInfo{19, "&Load/Edit AutoSave FITS text", "", File,
                fileCommand<files::command::kLoadEditAutosaveFitsText>},
    CommandInfo{104, "Select Dark &Frame...", "", File,
                fileCommand<files::command::kSelectDarkFrame>, Enabling::Always, nullptr, true},
    CommandInfo{122, "Select Flatfield File...", "", File,
                fileCommand<files::command::kSelectFlatField>},
    CommandInfo{114, "P&rint setup...", "", File, [](CommandContext& c) { c.window.printSetup(); },
                Enabling::Always, nullptr, true},
    CommandInfo{116, "&Print...", "", File, [](CommandContext& c) { c.window.printPicture(); },
                kPicture},
    CommandInfo{cmd::kExit, "E&xit", "", File, wc::exitProgram, Enabling::Always, nullptr, true},

    // Edit
    CommandInfo{9, "&Undo Last Filter", "", Edit,
                [](CommandContext& c) { process::UndoLastFilter(c.program); }},
    CommandInfo{810, "Undo &Last Colour Filter", "Ctrl+V", Edit,
                [](CommandContext& c) { colour::UndoLastColourFilter(c.program); }},
    CommandInfo{cmd::kCopy, "&Copy", "Shift+Ins", Edit, wc::copyPicture, kPicture},
    CommandInfo{8, "&Label    ", "", Edit, [](CommandContext& c) { LabelCommand(c.program); },
                Enabling::Always, nullptr, true},
    CommandInfo{24324, "Set Auto &Processing", "", Edit,
                [](CommandContext& c) { process::AutoProcessingChoicesCommand(c.program); },
                Enabling::Always, nullptr, true},
    CommandInfo{cmd::kProgramDefaults, "Set Program Defa&ults", "", Edit, wc::programDefaults},
    CommandInfo{32101, "Create Hot Pixel Map", "", Edit,
                [](CommandContext& c) { process::CreateHotPixelMapCommand(c.program); },
                Enabling::Always, nullptr, true},
    CommandInfo{32102, "Load Hot Pixel Map File", "", Edit,
                fileCommand<files::command::kLoadHotPixelMap>},

    // View
    CommandInfo{cmd::kFitToWindow, "&Fit to window", "", View, wc::toggleFitToWindow,
                Enabling::Always, wc::fitToWindowChecked},
    CommandInfo{cmd::kHalfSizeDisplay, "Bin High Res Display", "Ctrl+W", View,
                wc::toggleHalfSizeDisplay, Enabling::Always, wc::halfSizeDisplayChecked},
    CommandInfo{cmd::kFalseColourPalette, "False Colour P&alette", "", View,
                wc::toggleFalseColourPalette, Enabling::Always, wc::falseColourPaletteChecked},
    CommandInfo{cmd::kAutoContrast, "&Auto contrast stretch image", "", View,
                wc::toggleAutoContrast, Enabling::Always, wc::autoContrastChecked},
    CommandInfo{123, "Max Palette Stretch", "", View,
                [](CommandContext& c) {
                  process::StretchDisplayDialog dialog(c.program.displayOptions,
                                                       c.program.state.colourConverted,
                                                       [&c](int id) { dispatchCommand(c, id); });
                  c.program.ui().runDialog(dialog);
                }},
    CommandInfo{cmd::kMaxStretchToggle, "Max Stretch Toggle", "", View, wc::toggleMaxStretch,
                Enabling::Always, wc::maxStretchChecked},
    CommandInfo{cmd::kMaxStretchDo, "Max Stretch Do", "", View, wc::maxStretchDo},
    CommandInfo{cmd::kMirror, "&Mirror Image", "", View, wc::mirror, Enabling::Always, nullptr,
                true},
    CommandInfo{cmd::kFlip, "Flip Image", "", View, wc::flip},
    CommandInfo{14, "&Photometry of Image", "", View, mc::photometry, Enabling::Always, nullptr,
                true},
    CommandInfo{15, "3-D &Intensity Plot", "", View, mc::intensityPlot3d},
    CommandInfo{16, "Intensity Plot of Current R&ow", "", View, mc::rowPlot},
    CommandInfo{6, "&Histogram", "", View, mc::histogram, kPicture},
    CommandInfo{8124, "Show &Values", "", View, mc::showValues, Enabling::Always,
                mc::showValuesChecked},
    CommandInfo{17, "Processing &History", "", View,
                fileCommand<files::command::kProcessingHistory>, Enabling::Always, nullptr, true},
    CommandInfo{20, "&Show/Edit Current Image FITS details", "", View,
                fileCommand<files::command::kShowFitsDetails>},

    // Camera
    CommandInfo{12, "&Camera Interface", "Ctrl+Z", Camera,
                [](CommandContext& c) {
                  const auto outcome = acquire::CameraInterface(c.program);
                  if (outcome == acquire::InterfaceOutcome::Ran) {
                    c.window.setDocumentTitle("KR Camera Image");
                    c.window.redraw(false);
                  } else if (outcome == acquire::InterfaceOutcome::GoToAutoguider) {
                    dispatchCommand(c, 27);  // the autoguider camera command
                  }
                }},
    CommandInfo{27, "AutoGuider Camera ", "Ctrl+G", Camera, autoGuiderCamera},
    CommandInfo{cmd::kSubFrameSelection, "Sub-Frame Selection", "", Camera, wc::subFrameSelection,
                Enabling::Always, nullptr, true},
    CommandInfo{cmd::kPickSubFrame, "Pick Sub-Frame", "", Camera, wc::pickSubFrame},
    CommandInfo{cmd::kDefaultSubFrameCentre, "Default Sub-Frame Centre", "", Camera,
                wc::defaultSubFrameCentre},
    CommandInfo{cmd::kFocusFrameCentre, "Focus Frame Centre", "", Camera, wc::pickFocusCentre,
                Enabling::Always, nullptr, true},
    CommandInfo{cmd::kDefaultFocusCentre, "Default Focus Frame Centre", "", Camera,
                wc::defaultFocusCentre},

    // Telescope
    CommandInfo{21, "Pic&k Guide Star", "Ctrl+K", Telescope,
                [](CommandContext& c) {
                  if (acquire::CanPickGuideStar(c.program))
                    measure_commands::choosePickMode(c, PickMode::GuideStar);
                }},
    CommandInfo{22, "Start Auto-Guiding", "", Telescope,
                [](CommandContext& c) { acquire::StartAutoGuiding(c.program); }, kTelescope},
    CommandInfo{23, "Train Auto-Guiding", "", Telescope,
                [](CommandContext& c) { acquire::TrainAutoGuiding(c.program); }, kTelescope},
    CommandInfo{cmd::kTelescopeControl, "Telescope &Control", "", Telescope,
                [](CommandContext& c) { scope::TelescopeControl(c.program); }, kTelescope},
    CommandInfo{171, "Start AutoGuiding", "", Telescope, nullptr, Enabling::Always, nullptr, true},

    // Contrast
    CommandInfo{1, "&Normal Stretch", "Ctrl+N", Contrast,
                [](CommandContext& c) {
                  process::EstimateBackground(c.program);
                  process::NormalStretchCommand(c.program);
                }},
    CommandInfo{2, "&Power Law Stretch", "", Contrast,
                [](CommandContext& c) { process::PowerLawStretchCommand(c.program); }},
    CommandInfo{101, "&Sine Law Stretch", "", Contrast,
                [](CommandContext& c) { process::SineStretch(c.program); }},
    CommandInfo{120, "Remove &Background", "Ctrl+B", Contrast,
                [](CommandContext& c) {
                  process::EstimateBackground(c.program);
                  process::RemoveBackground(c.program, true);
                }},
    CommandInfo{117, "Non-&Linear Stretch", "Ctrl+L", Contrast,
                [](CommandContext& c) { process::NonLinearStretchCommand(c.program); }},
    CommandInfo{102, "L&ogarithmic Stretch", "", Contrast,
                [](CommandContext& c) { process::LogStretch(c.program); }},
    CommandInfo{103, "&Antilogarithmic Stretch", "", Contrast,
                [](CommandContext& c) { process::AntilogStretch(c.program); }},
    CommandInfo{105, "&Invert image to Negative", "", Contrast,
                [](CommandContext& c) { process::InvertImage(c.program); }},

    // Filters
    CommandInfo{106, "&Unsharp masking", "Ctrl+U", Filters,
                [](CommandContext& c) { process::UnsharpMaskCommand(c.program); }},
    CommandInfo{107, "High Pass, &Low Power", "", Filters,
                [](CommandContext& c) {
                  process::KernelFilterCommand(c.program, process::KernelId::HighPassLowPower);
                }},
    CommandInfo{108, "High Pass, &High Power", "", Filters,
                [](CommandContext& c) {
                  process::KernelFilterCommand(c.program, process::KernelId::HighPassHighPower);
                }},
    CommandInfo{109, "&Smoother/Sharper", "", Filters,
                [](CommandContext& c) {
                  process::KernelFilterCommand(c.program, process::KernelId::SmootherSharper);
                }},
    CommandInfo{4, "&Gaussian Smoother", "", Filters,
                [](CommandContext& c) {
                  process::KernelFilterCommand(c.program, process::KernelId::Gaussian);
                }},
    CommandInfo{5, "Low Pass &Weighted Mean Smoother", "", Filters,
                [](CommandContext& c) {
                  process::KernelFilterCommand(c.program, process::KernelId::LowPass);
                }},
    CommandInfo{7, "&Bas Relief Generator", "", Filters,
                [](CommandContext& c) {
                  process::KernelFilterCommand(c.program, process::KernelId::BasRelief);
                }},
    CommandInfo{3, "&Median Filter for noise reduction", "", Filters,
                [](CommandContext& c) { process::MedianFilterCommand(c.program); }},
    CommandInfo{18, "G&radient Filter", "", Filters,
                [](CommandContext& c) { process::GradientFilter(c.program); }},
    CommandInfo{32110, "Apply Hot Pixel Map", "", Filters,
                [](CommandContext& c) { process::ApplyHotPixelMap(c.program); }, Enabling::Always,
                nullptr, true},

    // Colour
    CommandInfo{8115, "&Synthesize Colour Image", "Ctrl+C", Colour,
                [](CommandContext& c) { colour::SynthesizeColourImage(c.program); }},
    CommandInfo{8117, "Create Mono Image from Raw", "", Colour,
                [](CommandContext& c) { colour::CreateMonoImageFromRaw(c.program); }},
    CommandInfo{8116, "Set Colour &Balance (Ctrl+B is Remove Background)", "", Colour,
                [](CommandContext& c) { colour::SetColourBalance(c.program); }},
    CommandInfo{8114, "&Apply Anti-Alias Filter", "", Colour,
                [](CommandContext& c) { colour::AntiAlias(c.program, true); }},
    CommandInfo{8119, "Adjust Chroma&tism", "", Colour,
                [](CommandContext& c) { colour::AdjustChromatism(c.program); }},
    CommandInfo{8128, "Colour &Overload Smoothing", "", Colour,
                [](CommandContext& c) { colour::ColourOverloadSmoothing(c.program); }},
    CommandInfo{8129, "&Low Pass Colour Filter ", "", Colour,
                [](CommandContext& c) { colour::LowPassColourFilter(c.program); }},
    CommandInfo{8130, "Balance Colour &Histogram", "", Colour,
                [](CommandContext& c) { colour::BalanceColourHistogram(c.program); }},

    // Merging
    CommandInfo{110, "&Subtract Image (Dark Frame)", "Ctrl+D", Merging,
                [](CommandContext& c) { process::SubtractDarkFrameCommand(c.program); }},
    CommandInfo{115, "Apply &Flat Field", "", Merging,
                [](CommandContext& c) { process::ApplyFlatFieldCommand(c.program); }},
    CommandInfo{111, "Merge two Images &together", "Ctrl+M", Merging, mc::merge},

    // Help
    CommandInfo{cmd::kHelp, "Help in using NVK_K7LQ_USB", "", Help, wc::help},
    CommandInfo{cmd::kAbout, "About NVK_K7LQ_USB", "", Help, wc::about},

    // The two buttons of the maximum stretch pair on the tool bar.
    CommandInfo{cmd::kMaxStretchOn, "Max Stretch On", "", ToolBarOnly, wc::maxStretchOn,
                Enabling::Always, wc::maxStretchChecked},
    CommandInfo{cmd::kMaxStretchOff, "Max Stretch Off", "", ToolBarOnly, wc::maxStretchOff,
                Enabling::Always, wc::maxStretchOffChecked},
};

// Tool bar, left to right (0: separator). 305 and the 1901/1902 pair are two-state buttons;
// the telescope control button (24) is added by the window only with a telescope drive method.
constexpr std::array kToolBar{
    24333,
    24335,
    24332,
    0,
    12,
    27,
    0,
    cmd::kHalfSizeDisplay,
    cmd::kMaxStretchOn,
    cmd::kMaxStretchOff,
    123,
    121,
    0,
    14,
    8124,
    0,
    8115,
    8116,
    8114,
    8129,
    0,
    117,
    120,
    106,
    32110,
    0,
    110,
    115,
    111,
};

}  // namespace

std::string_view menuTitle(Menu menu) {
  switch (menu) {
    case File:
      return "&File";
    case Edit:
      return "&Edit";
    case View:
      return "&View";
    case Camera:
      return "&Camera";
    case Telescope:
      return "&Telescope";
    case Contrast:
      return "C&ontrast";
    case Filters:
      return "F&ilters";
    case Colour:
      return "Co&lour";
    case Merging:
      return "&Merging";
    case Help:
      return "&Help";
    case ToolBarOnly:
      return "";
  }
  return "";
}

std::span<const CommandInfo> commandTable() {
  return kCommands;
}

const CommandInfo* findCommand(int id) {
  for (const auto& c : kCommands) {
    if (c.id == id) return &c;
  }
  return nullptr;
}

bool isCommandEnabled(const CommandInfo& command, const CommandContext& context) {
  if (!command.landed()) return false;
  switch (command.enabling) {
    case Enabling::Always:
      return true;
    case Enabling::TelescopeDrive:
      return scope::telescopeDriveChosen(context.program);
    case Enabling::PictureExists:
      return context.window.pictureExists();
  }
  return false;
}

bool isCommandChecked(const CommandInfo& command, const CommandContext& context) {
  return command.checked != nullptr && command.checked(context);
}

bool dispatchCommand(CommandContext& context, int id) {
  const CommandInfo* command = findCommand(id);
  if (command == nullptr || !isCommandEnabled(*command, context)) return false;
  command->handler(context);
  return true;
}

std::span<const int> toolBarCommands() {
  return kToolBar;
}

std::string plainMenuText(std::string_view text) {
  std::string plain;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '&') {
      if (i + 1 < text.size() && text[i + 1] == '&') plain += '&', ++i;
      continue;
    }
    plain += text[i];
  }
  return plain;
}

}  // namespace nvk::app
