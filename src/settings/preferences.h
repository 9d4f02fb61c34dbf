#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/atomic_file.h"
#include "port/ui.h"

namespace nvk::settings {

// The preferences file <root>/nvk-k7lq.conf: what the fixed-layout settings file has no room for,
// as text lines "key = value". A line whose first non-blank character is '#' is a comment; blank
// lines, comments and keys this program does not know are kept, in their places, when the file
// is saved, so a file edited by hand or by a newer version keeps what it holds.
//
// The known keys and their defaults are one table in preferences.cpp (keys()); a new key is one
// member here and one line there.
struct Preferences {
  Preferences();  // every key at its default

  std::string indiHost;       // indi.host: host name or address of the INDI server
  int indiPort;               // indi.port: its TCP port
  std::string indiMount;      // indi.mount: INDI device name of the mount; empty: none
  std::string indiFocuser;    // indi.focuser: INDI device name of the focuser; empty: none
  bool fitsStandardKeywords;  // fits.standard_keywords: write the standard FITS keywords
  bool indiEnabled;           // indi.enabled: the telescope drive is the INDI mount

  // The lines of the file as last read, without their line ends.
  std::vector<std::string> fileLines;
};

// A line of the file that could not be taken: a known key with a bad value (its default is used
// instead) or a line that is not "key = value".
struct PreferenceProblem {
  int line = 0;          // counted from 1
  std::string key;       // empty for a line that is not "key = value"
  std::string value;     // the value as written
  std::string expected;  // what the key takes
  std::string fallback;  // the default used instead
};

struct PreferencesLoad {
  bool unreadable = false;  // the file exists but could not be read: every key at its default
  std::vector<PreferenceProblem> problems;
  bool ok() const { return !unreadable && problems.empty(); }
};

// Reads the text of a preferences file into `preferences`: every key first at its default, then
// each known key of the text in turn (the last of two lines with one key wins).
PreferencesLoad readPreferences(std::string_view text, Preferences& preferences);
// The text of the file: the lines read, each known key with its current value, then the known
// keys the file did not have, at their values.
std::string writePreferences(const Preferences& preferences);

// Loads the file. A missing file leaves every key at its default and is not reported; the file
// is never written here, so a bad value stays in it until the program saves.
PreferencesLoad loadPreferences(const std::filesystem::path& file, Preferences& preferences);
// Saves the file through a temporary file renamed into place (the folder is created when
// needed): on failure the old file is whole. `space` plays a full disk in tests.
bool savePreferences(const std::filesystem::path& file, const Preferences& preferences,
                     base::DiskSpace space = {});

// Shows what a load found, in one message box titled "NVK_K7LQ_USB"; nothing when all was well.
void showPreferencesProblems(port::Ui& ui, const std::filesystem::path& file,
                             const PreferencesLoad& load);
// The text of that message; empty when all was well.
std::string preferencesProblemText(const std::filesystem::path& file, const PreferencesLoad& load);

// The known keys, in table order.
std::vector<std::string> preferenceNames();
bool isPreferenceName(std::string_view name);
// The keys a listing shows for `preferences`: all but a choice not made (indi.enabled while
// false), which a save does not add either.
std::vector<std::string> listedPreferenceNames(const Preferences& preferences);
// Sets key `name` from its text form. Returns an empty string on success, else the reason
// ("expected ..."); a refused value leaves the preferences as they were.
std::string setPreference(std::string_view name, std::string_view value, Preferences& preferences);
// The text form of key `name`'s value, as the file holds it; nullopt for an unknown name.
std::optional<std::string> preferenceText(std::string_view name, const Preferences& preferences);

}  // namespace nvk::settings
