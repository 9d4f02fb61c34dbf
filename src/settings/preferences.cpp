#include "settings/preferences.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <system_error>

#include "base/messages.h"
#include "base/parse_int.h"

namespace nvk::settings {
namespace {

// --- kinds of value: how a text is read and checked, and how a value is written ---------------

// Free text on one line. A host name must not be empty and has no blanks; a device name may be
// empty (no device) and may have blanks inside ("Telescope Simulator").
struct TextKind {
  bool mayBeEmpty;
  bool mayHaveBlanks;
  std::string_view expected;
};
// A whole number in lo..hi.
struct NumberKind {
  long lo;
  long hi;
};
// true or false. A choice that is off until the user makes it (`quietWhileFalse`) is not
// added to a file or a listing while it is false, so files written before it existed keep
// their text until it is chosen.
struct TrueFalseKind {
  bool quietWhileFalse = false;
};

constexpr TextKind kHostName{false, false, "a host name without blanks"};
constexpr TextKind kDeviceName{true, true, "a device name on one line (empty: none)"};
constexpr NumberKind kTcpPort{1, 65535};
constexpr TrueFalseKind kTrueFalse;
constexpr TrueFalseKind kChoice{true};

// Whether a key missing from the file is added to it, and listed, at `value`.
template <typename Kind, typename Value>
bool listed(const Kind&, const Value&) {
  return true;
}
bool listed(const TrueFalseKind& kind, bool value) {
  return value || !kind.quietWhileFalse;
}

std::optional<std::string> parse(const TextKind& kind, std::string_view text) {
  if (text.empty() && !kind.mayBeEmpty) return std::nullopt;
  for (const char c : text) {
    const auto u = static_cast<unsigned char>(c);
    if (u < 0x20 || u == 0x7F || (!kind.mayHaveBlanks && c == ' ')) return std::nullopt;
  }
  return std::string(text);
}
std::string format(const TextKind&, const std::string& value) {
  return value;
}
std::string expected(const TextKind& kind) {
  return std::string(kind.expected);
}

std::optional<int> parse(const NumberKind& kind, std::string_view text) {
  const auto v = base::parseIntIn(text, kind.lo, kind.hi);
  if (!v) return std::nullopt;
  return static_cast<int>(*v);
}
std::string format(const NumberKind&, int value) {
  return std::to_string(value);
}
std::string expected(const NumberKind& kind) {
  return "a whole number " + std::to_string(kind.lo) + ".." + std::to_string(kind.hi);
}

std::optional<bool> parse(const TrueFalseKind&, std::string_view text) {
  if (text == "true") return true;
  if (text == "false") return false;
  return std::nullopt;
}
std::string format(const TrueFalseKind&, bool value) {
  return value ? "true" : "false";
}
std::string expected(const TrueFalseKind&) {
  return "true or false";
}

// --- the known keys ----------------------------------------------------------------------------

// Every known key, in the order a save appends missing ones: the name as in the file, the value
// in Preferences, its default and its kind. A new key is one line here.
template <typename Visit>
void keys(Visit&& v, Preferences& p) {
  v("indi.host", p.indiHost, std::string("localhost"), kHostName);
  v("indi.port", p.indiPort, 7624, kTcpPort);
  v("indi.mount", p.indiMount, std::string(), kDeviceName);
  v("indi.focuser", p.indiFocuser, std::string(), kDeviceName);
  v("fits.standard_keywords", p.fitsStandardKeywords, true, kTrueFalse);
  v("indi.enabled", p.indiEnabled, false, kChoice);
}

// Calls `act(value, fallback, kind)` for the key called `name`; false when there is none.
template <typename Act>
bool withKey(std::string_view name, Preferences& p, Act&& act) {
  bool found = false;
  keys(
      [&](std::string_view key, auto& value, const auto& fallback, const auto& kind) {
        if (found || key != name) return;
        found = true;
        act(value, fallback, kind);
      },
      p);
  return found;
}

std::string_view trimmed(std::string_view s) {
  const auto first = s.find_first_not_of(" \t\r");
  if (first == std::string_view::npos) return {};
  const auto last = s.find_last_not_of(" \t\r");
  return s.substr(first, last - first + 1);
}

// A line split at its first '='; nullopt for a blank line, a comment or a line without '='.
struct KeyLine {
  std::string_view key;
  std::string_view value;
};
std::optional<KeyLine> splitLine(std::string_view line) {
  const std::string_view text = trimmed(line);
  if (text.empty() || text.front() == '#') return std::nullopt;
  const auto equals = text.find('=');
  if (equals == std::string_view::npos) return std::nullopt;
  return KeyLine{trimmed(text.substr(0, equals)), trimmed(text.substr(equals + 1))};
}

bool isBlankOrComment(std::string_view line) {
  const std::string_view text = trimmed(line);
  return text.empty() || text.front() == '#';
}

}  // namespace

Preferences::Preferences() {
  keys([](std::string_view, auto& value, const auto& fallback, const auto&) { value = fallback; },
       *this);
}

PreferencesLoad readPreferences(std::string_view text, Preferences& preferences) {
  PreferencesLoad load;
  preferences = Preferences();
  int number = 0;
  while (!text.empty()) {
    const auto end = text.find('\n');
    const std::string_view line = text.substr(0, end);
    text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);
    preferences.fileLines.emplace_back(line);
    ++number;
    if (isBlankOrComment(line)) continue;
    const auto split = splitLine(line);
    if (!split) {
      load.problems.push_back({number, "", std::string(trimmed(line)), "key = value", ""});
      continue;
    }
    // Unknown keys are kept as they are: they may belong to a newer version of the program.
    withKey(split->key, preferences, [&](auto& value, const auto& fallback, const auto& kind) {
      if (const auto parsed = parse(kind, split->value)) {
        value = *parsed;
        return;
      }
      value = fallback;
      load.problems.push_back({number, std::string(split->key), std::string(split->value),
                               expected(kind), format(kind, fallback)});
    });
  }
  return load;
}

std::string writePreferences(const Preferences& preferences) {
  // The table walks mutable references; writing only reads them.
  Preferences p = preferences;
  std::vector<std::string> written;
  std::string text;
  for (const std::string& line : p.fileLines) {
    std::string out = line;
    if (const auto split = splitLine(line)) {
      const std::string key(split->key);
      withKey(key, p, [&](const auto& value, const auto&, const auto& kind) {
        // A line that already says the current value stays exactly as it was written.
        if (const std::string current = format(kind, value); current != split->value)
          out = key + " = " + current;
        written.push_back(key);
      });
    }
    text += out;
    text += '\n';
  }
  keys(
      [&](std::string_view key, const auto& value, const auto&, const auto& kind) {
        if (std::find(written.begin(), written.end(), key) != written.end()) return;
        if (!listed(kind, value)) return;
        text += std::string(key) + " = " + format(kind, value) + '\n';
      },
      p);
  return text;
}

PreferencesLoad loadPreferences(const std::filesystem::path& file, Preferences& preferences) {
  preferences = Preferences();
  std::error_code ec;
  if (!std::filesystem::exists(file, ec)) return {};
  PreferencesLoad unreadable;
  unreadable.unreadable = true;
  std::ifstream in(file, std::ios::binary);
  if (!in || std::filesystem::is_directory(file, ec)) return unreadable;
  const std::string text((std::istreambuf_iterator<char>(in)), {});
  if (in.bad()) return unreadable;
  return readPreferences(text, preferences);
}

bool savePreferences(const std::filesystem::path& file, const Preferences& preferences,
                     base::DiskSpace space) {
  std::error_code ec;
  std::filesystem::create_directories(file.parent_path(), ec);  // failure shows at the open
  base::AtomicFile out;
  return out.open(file, space) && out.write(writePreferences(preferences)) && out.commit();
}

std::string preferencesProblemText(const std::filesystem::path& file, const PreferencesLoad& load) {
  const std::string name = file.string();
  if (load.unreadable) return "Unable to read " + name + ": every preference keeps its default";
  if (load.problems.empty()) return {};
  std::string text = "Bad lines in " + name + ":";
  for (const PreferenceProblem& p : load.problems) {
    text += "\nline " + std::to_string(p.line) + ": ";
    if (p.key.empty()) {
      text += "'" + p.value + "' is not key = value and is ignored";
    } else {
      text += p.key + " = '" + p.value + "' is not " + p.expected + "; using '" + p.fallback +
              "' instead";
    }
  }
  return text;
}

void showPreferencesProblems(port::Ui& ui, const std::filesystem::path& file,
                             const PreferencesLoad& load) {
  const std::string text = preferencesProblemText(file, load);
  if (!text.empty()) ui.showMessage(base::kMessageTitle, text);
}

std::vector<std::string> preferenceNames() {
  std::vector<std::string> names;
  Preferences p;
  keys([&](std::string_view key, auto&, const auto&, const auto&) { names.emplace_back(key); }, p);
  return names;
}

std::vector<std::string> listedPreferenceNames(const Preferences& preferences) {
  std::vector<std::string> names;
  Preferences p = preferences;
  keys(
      [&](std::string_view key, const auto& value, const auto&, const auto& kind) {
        if (listed(kind, value)) names.emplace_back(key);
      },
      p);
  return names;
}

bool isPreferenceName(std::string_view name) {
  Preferences p;
  return withKey(name, p, [](auto&, const auto&, const auto&) {});
}

std::string setPreference(std::string_view name, std::string_view value, Preferences& preferences) {
  std::string error;
  const bool found = withKey(name, preferences, [&](auto& v, const auto&, const auto& kind) {
    if (const auto parsed = parse(kind, value)) {
      v = *parsed;
    } else {
      error = "expected " + expected(kind);
    }
  });
  if (!found) return "no preference is called '" + std::string(name) + "'";
  return error;
}

std::optional<std::string> preferenceText(std::string_view name, const Preferences& preferences) {
  Preferences p = preferences;
  std::optional<std::string> text;
  withKey(name, p, [&](const auto& v, const auto&, const auto& kind) { text = format(kind, v); });
  return text;
}

}  // namespace nvk::settings
