#include "app/file_filter.h"

#include <cctype>

namespace nvk::app {

std::string caseInsensitiveGlob(std::string_view pattern) {
  if (pattern.size() >= 2 && pattern.substr(pattern.size() - 2) == ".*") {
    pattern.remove_suffix(2);
    if (pattern.empty() || pattern.back() != '*') return caseInsensitiveGlob(pattern) + "*";
  }
  std::string glob;
  for (char ch : pattern) {
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
      if (!one.empty()) entry.patterns.push_back(caseInsensitiveGlob(one));
      if (semicolon == std::string_view::npos) break;
      patterns.remove_prefix(semicolon + 1);
    }
    if (!entry.patterns.empty()) entries.push_back(std::move(entry));
  }
  return entries;
}

}  // namespace nvk::app
