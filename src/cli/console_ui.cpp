#include "cli/console_ui.h"

namespace nvk::cli {

void ConsoleUi::showMessage(std::string_view /*title*/, std::string_view text) {
  ++messageCount_;
  err_ << text << '\n';
}

}  // namespace nvk::cli
