#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace nvk::app {

// One entry of a file dialog's type list.
struct FileFilterEntry {
  std::string description;            // "FITS files"
  std::vector<std::string> patterns;  // as this machine's dialog must match them
  bool operator==(const FileFilterEntry&) const = default;
};

// Parses the program's filter strings, pairs of description and pattern each ended by '|'
// ("Norvane (~*.)|~*.*|FITS files|*.FIT|All Files|*.*|"). A pattern may list several globs
// separated by ';'. The globs are made to behave as on the system the program was written for:
// letters match either case ("*.FIT" also finds "m31.fit"), and a name pattern ending in ".*"
// also matches names without an extension ("*.*" is every file).
std::vector<FileFilterEntry> parseFileFilter(std::string_view filter);

// "*.FIT" -> "*.[fF][iI][tT]"; a trailing ".*" becomes "*".
std::string caseInsensitiveGlob(std::string_view pattern);

}  // namespace nvk::app
