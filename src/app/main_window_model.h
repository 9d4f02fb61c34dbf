#pragma once

#include <string>
#include <vector>

#include "app/command_map.h"
#include "settings/settings.h"

namespace nvk::app {

// The program's title: the first part of the caption and the menu's name.
inline constexpr const char* kApplicationTitle = "NVK_K7LQ_USB";
inline constexpr const char* kStatusText = "NVK K7LQ Camera Control and Image processing program";

// What the main window shows and does, without the window: the command table's states, the
// status line, the tool bar's extra buttons, the picture, the picks and closing. The Qt window
// is a view of it and reads nothing of the program itself.
class MainWindowModel {
 public:
  MainWindowModel(Program& program, WindowActions& window);

  // What the command handlers and the tool windows act on.
  CommandContext& context() { return context_; }

  // Runs command `id` as its menu entry does; false when it is unknown or disabled.
  bool run(int id);

  // Enabling and check mark of each command, in the order of the command table.
  struct CommandState {
    int id = 0;
    bool enabled = false;
    bool checked = false;
  };
  std::vector<CommandState> commandStates() const;
  // The full-size button of the half-size display pair: pressed while the display is full size.
  bool fullSizeDisplay() const;
  // "Full Size Display" pressed: back to the full-size display when it is at half size.
  void showFullSize();
  // The telescope button is shown only with a telescope drive method.
  bool telescopeButtonShown() const;
  // The status line: while merging it says what to do next, else the program's name.
  std::string statusText() const;
  settings::WindowBackground background() const;

  // Builds the display image of the current image (the window then shows it).
  void buildPicture();
  // A left or right click on display pixel (x, y): a measuring tool's pick first, else the pick
  // the window waits for; returns the pick mode that follows, and `measured` says whether a
  // measuring tool took the click.
  struct ClickResult {
    bool measured = false;
    PickMode mode = PickMode::None;
  };
  ClickResult click(PickMode waiting, int x, int y, bool rightButton);

  void reportPrintFailure();
  // Before the window closes: false when the user keeps it open (an unsaved image not settled).
  bool mayClose();
  // The window is going: the camera and filter-wheel channels close before the program goes.
  void closeDevices();

 private:
  Program& program_;
  CommandContext context_;
};

}  // namespace nvk::app
