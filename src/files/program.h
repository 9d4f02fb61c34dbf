#pragma once

#include <functional>

#include "files/file_menu_state.h"
#include "settings/program.h"

namespace nvk::files {

// The program as the file codecs and the File menu see it (see settings::Program).
class Program : public settings::Program {
 public:
  using settings::Program::Program;

  FileMenuState fileMenu;
  // Called by Open once the user has chosen a file, before it replaces the image: a layer
  // above ends here what still holds on to the current image.
  std::function<void()> beforeOpen;
};

}  // namespace nvk::files
