#include "base/paths.h"

#include <algorithm>
#include <cctype>

namespace nvk::base {
namespace {

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) ==
                  std::tolower(static_cast<unsigned char>(y));
         });
}

}  // namespace

bool hasDriveLetter(std::string_view text) {
  return text.size() >= 2 && std::isalpha(static_cast<unsigned char>(text[0])) && text[1] == ':';
}

std::filesystem::path ProgramPaths::resolve(std::string_view programPath) const {
  if (!hasDriveLetter(programPath)) return std::filesystem::path(std::string(programPath));
  // Drive path: every component below the drive, with the first "autosave" folded to one
  // spelling so that c:\AUTOSAVE and c:\autosave are the same folder.
  std::filesystem::path result = dataRoot_;
  std::string_view rest = programPath.substr(2);
  bool first = true;
  while (!rest.empty()) {
    const auto sep = rest.find_first_of("\\/");
    std::string_view part = rest.substr(0, sep);
    rest = sep == std::string_view::npos ? std::string_view{} : rest.substr(sep + 1);
    if (part.empty() || part == ".") continue;
    if (first && equalsIgnoringCase(part, "autosave")) {
      result /= "autosave";
    } else {
      result /= std::string(part);
    }
    first = false;
  }
  return result;
}

std::filesystem::path ProgramPaths::resolveAutosaveDirectory(std::string_view setting) const {
  if (setting.empty()) return autosaveFolder();
  return resolve(setting);
}

}  // namespace nvk::base
