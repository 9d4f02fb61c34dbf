#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace nvk::app {

// One entry of a file dialog's type list.
struct FileFilterEntry {
  std::string description;            // "FITS files"
  std::vector<std::string> patterns;  // the entry's globs, as the program writes them
  // Also lists names without an extension: the program's own raw files, which it saves under
  // the name the user typed, with no extension added.
  bool bareNames = false;
  bool operator==(const FileFilterEntry&) const = default;
};

// Parses the program's filter strings, pairs of description and pattern each ended by '|'
// ("Norvane (~*.)|~*.*|FITS files|*.FIT|All Files|*.*|"). A pattern may list several globs
// separated by ';'. A name pattern ending in ".*" also matches names without an extension
// ("*.*" is every file, "~*.*" becomes "~*"). The extensions of one kind of file stand for
// each other, so that files written by other programs are found too: "*.FIT" also lists
// "*.FITS" and "*.FTS", "*.TIF" also "*.TIFF". The program's raw entry (its pattern starts
// with '~') also lists names without an extension.
std::vector<FileFilterEntry> parseFileFilter(std::string_view filter);

// The entries a file dialog offers for the program's filter string: those of parseFileFilter,
// and "All files" at the end when no entry already lists every file.
std::vector<FileFilterEntry> fileDialogEntries(std::string_view filter);

// Whether a dialog showing `entry` lists the file `fileName` (a name, no folder). Letters match
// either case, as on the system the program was written for: "*.FIT" finds "m31.fit".
bool fileFilterAccepts(const FileFilterEntry& entry, std::string_view fileName);

// "*.FIT" -> "*.[fF][iI][tT]"; a trailing ".*" becomes "*".
std::string caseInsensitiveGlob(std::string_view pattern);

}  // namespace nvk::app
