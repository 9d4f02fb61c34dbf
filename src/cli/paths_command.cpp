#include <fstream>
#include <iterator>
#include <vector>

#include "cli/cli.h"
#include "settings/settings_file.h"

namespace nvk::cli {

int runPathsCommand(CliSession& session, CommandArgs args) {
  if (!args.empty()) {
    session.err() << "usage: nvk-k7lq-cli paths\n";
    return 2;
  }
  auto& program = session.program();
  // The autosave folder comes from the settings file; read it without creating anything.
  std::ifstream in(program.paths().settingsFile(), std::ios::binary);
  const std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(in), {}};
  settings::decodeSettings(bytes, program.settings, program.fits);
  session.out() << "data root: " << program.paths().dataRoot().string() << '\n'
                << "settings file: " << program.paths().settingsFile().string() << '\n'
                << "autosave directory: " << program.autosaveFolder().string() << '\n';
  return 0;
}

}  // namespace nvk::cli
