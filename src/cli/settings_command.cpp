#include <fstream>
#include <iterator>
#include <string_view>
#include <vector>

#include "base/messages.h"
#include "base/paths.h"
#include "cli/cli.h"
#include "settings/defaults_dialog.h"
#include "settings/preferences.h"
#include "settings/settings_file.h"

namespace nvk::cli {
namespace {

bool readBytes(const std::filesystem::path& file, std::vector<std::uint8_t>& bytes) {
  std::ifstream in(file, std::ios::binary);
  if (!in) return false;
  bytes.assign(std::istreambuf_iterator<char>(in), {});
  return true;
}

int show(CliSession& session) {
  auto& program = session.program();
  std::vector<std::uint8_t> bytes;
  if (!readBytes(program.paths().settingsFile(), bytes)) {
    // No file yet: show what a fresh one holds.
    session.err() << base::messageText(base::Message::NoIniFile) << '\n';
    bytes = settings::encodeSettings(program.settings, program.fits);
  }
  if (!settings::printSettingsFields(bytes, session.out())) {
    session.err() << base::messageText(base::Message::UnableToLoadIni) << '\n';
    return 1;
  }
  // The preferences after a blank line, "name = value" as the preferences file writes them.
  settings::showPreferencesProblems(session.ui(), program.paths().preferencesFile(),
                                    program.loadPreferencesFile());
  session.out() << '\n';
  for (const auto& name : settings::listedPreferenceNames(program.preferences))
    session.out() << name << " = " << *settings::preferenceText(name, program.preferences) << '\n';
  return 0;
}

// A preference: checked first, so that a refused value leaves both files as they were. A bad
// value already in the file is reported and, like every missing key, saved at its default.
int setPreference(CliSession& session, const std::string& name, const std::string& value) {
  settings::Preferences scratch;
  if (const std::string error = settings::setPreference(name, value, scratch); !error.empty()) {
    session.err() << "Cannot set " << name << " to '" << value << "': " << error << '\n';
    return 1;
  }
  auto& program = session.program();
  const auto file = program.paths().preferencesFile();
  const settings::PreferencesLoad load = program.loadPreferencesFile();
  settings::showPreferencesProblems(session.ui(), file, load);
  // A file that cannot be read is not overwritten with defaults.
  if (load.unreadable) return 1;
  settings::setPreference(name, value, program.preferences);
  if (!program.savePreferencesFile()) {
    session.err() << "Unable to save " << file.string() << ", please check disk space\n";
    return 1;
  }
  return 0;
}

// A folder given on the command line must say where it is: the window's dialog puts a bare name
// on the top of the data drive, but from a shell "night1" reads as a folder below the current
// one, and quietly storing c:\night1 instead would send the pictures elsewhere.
bool namesAFolderFromTheTop(std::string_view value) {
  const auto end = value.find_last_not_of(' ');
  if (end == std::string_view::npos) return true;  // empty: the default folder
  return base::hasDriveLetter(value) || value[0] == '/' || value[0] == '\\';
}

// Checks the value before anything is read or written, so that a refused value leaves the
// settings file exactly as it was (or absent).
std::string refusal(CliSession& session, const std::string& name, const std::string& value) {
  if (name == "autosaveDirectory") {
    if (!namesAFolderFromTheTop(value)) {
      return "Cannot set autosaveDirectory to '" + value +
             "': expected a folder from the top, such as /home/me/images or c:\\images";
    }
    const auto normalised = settings::normaliseAutosaveDirectory(value);
    if (!normalised || !settings::autosaveDirectoryUsable(session.program().paths(), *normalised))
      return std::string(base::messageText(base::Message::InvalidDirectory));
    return {};
  }
  settings::Settings scratchSettings;
  image::FitsHeaderInfo scratchFits;
  if (const std::string error =
          settings::setSettingsField(name, value, scratchSettings, scratchFits);
      !error.empty()) {
    return "Cannot set " + name + " to '" + value + "': " + error;
  }
  return {};
}

int set(CliSession& session, const std::string& name, const std::string& value) {
  if (settings::isPreferenceName(name)) return setPreference(session, name, value);
  if (const std::string why = refusal(session, name, value); !why.empty()) {
    session.err() << why << '\n';
    return 1;
  }
  auto& program = session.program();
  std::error_code ec;
  const bool existed = std::filesystem::exists(program.paths().settingsFile(), ec);
  if (program.loadSettingsFile() != settings::SettingsStatus::Ok && existed) {
    // A damaged file is left as it is rather than overwritten with half-read values.
    session.err() << base::messageText(base::Message::UnableToLoadIni) << '\n';
    return 1;
  }
  if (name == "autosaveDirectory") {
    const std::string normalised = *settings::normaliseAutosaveDirectory(value);
    const bool isDefault =
        program.paths().resolveAutosaveDirectory(normalised) == program.paths().autosaveFolder();
    program.settings.autosaveDirectory = isDefault ? std::string() : normalised;
  } else {
    settings::setSettingsField(name, value, program.settings, program.fits);
  }
  if (program.saveSettingsFile() != settings::SettingsStatus::Ok) {
    session.err() << base::withWriteFailure(base::messageText(base::Message::UnableToSaveIni))
                  << '\n';
    return 1;
  }
  return 0;
}

}  // namespace

int runSettingsCommand(CliSession& session, CommandArgs args) {
  if (args.size() == 1 && args[0] == "show") return show(session);
  if (args.size() == 3 && args[0] == "set") return set(session, args[1], args[2]);
  session.err() << "usage: nvk-k7lq-cli settings show\n"
                   "       nvk-k7lq-cli settings set NAME VALUE\n"
                   "names:";
  for (const auto& name : settings::settingsFieldNames())
    session.err() << ' ' << name;
  for (const auto& name : settings::preferenceNames())
    session.err() << ' ' << name;
  session.err() << '\n';
  return 2;
}

}  // namespace nvk::cli
