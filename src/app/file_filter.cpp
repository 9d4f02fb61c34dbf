#include "app/file_filter.h"

#include <algorithm>
#include <array>
#include <cctype>

namespace nvk::app {
namespace {

// Extensions that name the same kind of file; the first is the one the program writes.
constexpr std::array<std::array<std::string_view, 3>, 2> kExtensionFamilies{{
    {"FIT", "FITS", "FTS"},
    {"TIF", "TIFF", ""},
}};

bool sameLetters(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::toupper(static_cast<unsigned char>(x)) ==
                  std::toupper(static_cast<unsigned char>(y));
         });
}

// "*.FIT" -> "*.FIT", "*.FITS", "*.FTS"; any other glob stays alone.
void addGlobFamily(std::string_view glob, std::vector<std::string>& out) {
  if (glob.size() > 2 && glob.substr(0, 2) == "*.") {
    const std::string_view extension = glob.substr(2);
    for (const auto& family : kExtensionFamilies) {
      if (std::none_of(family.begin(), family.end(),
                       [&](std::string_view e) { return sameLetters(e, extension); })) {
        continue;
      }
      out.emplace_back(glob);
      for (std::string_view e : family) {
        if (!e.empty() && !sameLetters(e, extension)) out.push_back("*." + std::string(e));
      }
      return;
    }
  }
  out.emplace_back(glob);
}

// A trailing ".*" also matches no extension, so the glob loses it ("~*.*" -> "~*").
std::string withoutAnyExtension(std::string_view glob) {
  if (glob.size() >= 2 && glob.substr(glob.size() - 2) == ".*") {
    glob.remove_suffix(2);
    if (glob.empty() || glob.back() != '*') return std::string(glob) + "*";
  }
  return std::string(glob);
}

// Where the bracket set that opens at `open` closes, or npos when it does not.
std::size_t closingBracket(std::string_view glob, std::size_t open) {
  std::size_t i = open + 1;
  if (i < glob.size() && (glob[i] == '!' || glob[i] == '^')) ++i;
  if (i < glob.size() && glob[i] == ']') ++i;
  return glob.find(']', i);
}

bool setContains(std::string_view set, char ch) {
  bool negated = false;
  if (!set.empty() && (set[0] == '!' || set[0] == '^')) {
    negated = true;
    set.remove_prefix(1);
  }
  bool found = false;
  for (std::size_t i = 0; i < set.size(); ++i) {
    if (i + 2 < set.size() && set[i + 1] == '-') {
      found = found || (set[i] <= ch && ch <= set[i + 2]);
      i += 2;
    } else {
      found = found || set[i] == ch;
    }
  }
  return found != negated;
}

// Shell-style match of a whole name: '*' any run, '?' one character, "[...]" one of a set.
bool globMatches(std::string_view glob, std::string_view name) {
  std::size_t g = 0;
  std::size_t n = 0;
  std::size_t starGlob = std::string_view::npos;
  std::size_t starName = 0;
  while (n < name.size()) {
    if (g < glob.size() && glob[g] == '*') {
      starGlob = ++g;
      starName = n;
      continue;
    }
    if (g < glob.size()) {
      if (glob[g] == '?') {
        ++g;
        ++n;
        continue;
      }
      if (glob[g] == '[') {
        if (const auto close = closingBracket(glob, g); close != std::string_view::npos) {
          if (setContains(glob.substr(g + 1, close - g - 1), name[n])) {
            g = close + 1;
            ++n;
            continue;
          }
        } else if (name[n] == '[') {
          ++g;
          ++n;
          continue;
        }
      } else if (glob[g] == name[n]) {
        ++g;
        ++n;
        continue;
      }
    }
    if (starGlob == std::string_view::npos) return false;
    g = starGlob;
    n = ++starName;
  }
  while (g < glob.size() && glob[g] == '*')
    ++g;
  return g == glob.size();
}

}  // namespace

std::string caseInsensitiveGlob(std::string_view pattern) {
  const std::string plain = withoutAnyExtension(pattern);
  std::string glob;
  for (char ch : plain) {
    const auto u = static_cast<unsigned char>(ch);
    if (std::isalpha(u)) {
      glob += '[';
      glob += static_cast<char>(std::tolower(u));
      glob += static_cast<char>(std::toupper(u));
      glob += ']';
    } else {
      glob += ch;
    }
  }
  return glob;
}

std::vector<FileFilterEntry> parseFileFilter(std::string_view filter) {
  std::vector<std::string_view> fields;
  while (!filter.empty()) {
    const auto bar = filter.find('|');
    fields.push_back(filter.substr(0, bar));
    if (bar == std::string_view::npos) break;
    filter.remove_prefix(bar + 1);
  }
  std::vector<FileFilterEntry> entries;
  for (std::size_t i = 0; i + 1 < fields.size(); i += 2) {
    FileFilterEntry entry{std::string(fields[i]), {}};
    std::string_view patterns = fields[i + 1];
    while (!patterns.empty()) {
      const auto semicolon = patterns.find(';');
      const std::string_view one = patterns.substr(0, semicolon);
      if (!one.empty()) {
        addGlobFamily(withoutAnyExtension(one), entry.patterns);
        if (one.front() == '~') entry.bareNames = true;
      }
      if (semicolon == std::string_view::npos) break;
      patterns.remove_prefix(semicolon + 1);
    }
    if (!entry.patterns.empty()) entries.push_back(std::move(entry));
  }
  return entries;
}

std::vector<FileFilterEntry> fileDialogEntries(std::string_view filter) {
  std::vector<FileFilterEntry> entries = parseFileFilter(filter);
  const bool listsEverything = std::any_of(entries.begin(), entries.end(), [](const auto& e) {
    return std::find(e.patterns.begin(), e.patterns.end(), "*") != e.patterns.end();
  });
  if (!listsEverything) entries.push_back({"All files", {"*"}});
  return entries;
}

bool fileFilterAccepts(const FileFilterEntry& entry, std::string_view fileName) {
  if (entry.bareNames && fileName.find('.') == std::string_view::npos) return true;
  return std::any_of(entry.patterns.begin(), entry.patterns.end(), [&](const std::string& p) {
    return globMatches(caseInsensitiveGlob(p), fileName);
  });
}

}  // namespace nvk::app
