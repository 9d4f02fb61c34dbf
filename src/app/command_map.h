#pragma once

#include <span>
#include <string>
#include <string_view>

#include "app/picks.h"
#include "app/program.h"

namespace nvk::app {

// The windows of the measurement tools, which stay open beside the picture.
enum class ToolWindow { Histogram, IntensityPlot3d, RowPlot, Photometry, ShowValues };

// What a command handler may ask of the main window beyond the Ui port. The Qt window realises
// it; tests use a recording fake.
class WindowActions {
 public:
  virtual ~WindowActions() = default;
  // The text after the application title and " - " in the caption ("(Untitled)" at start).
  virtual void setDocumentTitle(std::string_view title) = 0;
  virtual std::string documentTitle() const = 0;
  // Rebuilds the display image and repaints; `resetScroll` scrolls back to the origin.
  virtual void redraw(bool resetScroll) = 0;
  virtual PickMode pickMode() const = 0;
  virtual void setPickMode(PickMode mode) = 0;
  // True once a picture has been built (Copy is enabled only then).
  virtual bool pictureExists() const = 0;
  virtual void copyPicture() = 0;
  // "Print setup...": the printer's set-up dialog; what is chosen there holds for the next Print.
  virtual void printSetup() = 0;
  // "Print...": the print dialog, then the picture as displayed, scaled to the page.
  virtual void printPicture() = 0;
  virtual void showAbout() = 0;
  // Opens the help pages in the desktop's viewer; false when no viewer could be started.
  virtual bool openHelp() = 0;
  virtual void closeWindow() = 0;
  // The settings changed in a way that affects the menus (telescope drive method), the tool bar
  // or the background colour.
  virtual void settingsChanged() = 0;
  // Opens (or raises and refreshes) a measurement tool's window; it shows the program's state.
  // A window without tool windows (a test's recorder) ignores it.
  virtual void showToolWindow(ToolWindow) {}
};

// Everything a handler works with.
struct CommandContext {
  Program& program;
  WindowActions& window;
};

using CommandHandler = void (*)(CommandContext&);
using CommandCheck = bool (*)(const CommandContext&);

// The menus of the menu bar, in their order. ToolBarOnly commands have a tool button but no
// menu entry.
enum class Menu {
  File,
  Edit,
  View,
  Camera,
  Telescope,
  Contrast,
  Filters,
  Colour,
  Merging,
  Help,
  ToolBarOnly
};
std::string_view menuTitle(Menu menu);  // with its '&' mnemonic

// When a landed command may run.
enum class Enabling {
  Always,
  TelescopeDrive,  // only with a telescope drive method (LX200 or autoguider socket)
  PictureExists,   // only when the window has a picture
};

struct CommandInfo {
  int id;
  std::string_view text;         // the menu text with its '&' mnemonic
  std::string_view accelerator;  // "Ctrl+O", "Shift+Ins"; empty for none
  Menu menu;
  CommandHandler handler;  // nullptr: the capability has not landed; the entry is disabled
  Enabling enabling = Enabling::Always;
  CommandCheck checked = nullptr;  // a toggle's check mark; nullptr for a plain command
  bool separatorBefore = false;

  bool landed() const { return handler != nullptr; }
};

// The command ids the window itself refers to.
namespace cmd {
inline constexpr int kExit = 24310;
inline constexpr int kCopy = 17999;
inline constexpr int kHelp = 112;
inline constexpr int kAbout = 113;
inline constexpr int kFitToWindow = 301;
inline constexpr int kHalfSizeDisplay = 305;
inline constexpr int kFalseColourPalette = 118;
inline constexpr int kAutoContrast = 119;
inline constexpr int kMirror = 302;
inline constexpr int kFlip = 304;
inline constexpr int kSubFrameSelection = 124;
inline constexpr int kPickSubFrame = 125;
inline constexpr int kDefaultSubFrameCentre = 126;
inline constexpr int kFocusFrameCentre = 25;
inline constexpr int kDefaultFocusCentre = 26;
inline constexpr int kMaxStretchToggle = 1906;
inline constexpr int kMaxStretchOn = 1901;   // tool-bar pair: pressed while the stretch is on
inline constexpr int kMaxStretchOff = 1902;  // tool-bar pair: pressed while it is off
inline constexpr int kMaxStretchDo = 1907;
inline constexpr int kTelescopeControl = 24;
inline constexpr int kProgramDefaults = 121;
}  // namespace cmd

// The whole command table in menu order.
std::span<const CommandInfo> commandTable();
const CommandInfo* findCommand(int id);

// True when the command has landed and its enabling rule holds now.
bool isCommandEnabled(const CommandInfo& command, const CommandContext& context);
bool isCommandChecked(const CommandInfo& command, const CommandContext& context);

// Runs the handler of command `id`. Returns false (and does nothing) when the id is unknown,
// its capability has not landed or it is disabled now.
bool dispatchCommand(CommandContext& context, int id);

// The tool bar, left to right; 0 stands for a separator.
std::span<const int> toolBarCommands();

// The text of a menu entry without its '&' mnemonic marks (a doubled "&&" stays one '&').
std::string plainMenuText(std::string_view text);

}  // namespace nvk::app
