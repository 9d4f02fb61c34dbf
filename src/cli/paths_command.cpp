#include "cli/cli.h"

namespace nvk::cli {

int runPathsCommand(CliSession& session, CommandArgs args) {
  if (!args.empty()) {
    session.err() << "usage: nvk-k7lq-cli paths\n";
    return 2;
  }
  const auto& program = session.program();
  session.out() << "data root: " << program.paths().dataRoot().string() << '\n'
                << "settings file: " << program.paths().settingsFile().string() << '\n'
                << "autosave directory: " << program.autosaveFolder().string() << '\n';
  return 0;
}

}  // namespace nvk::cli
