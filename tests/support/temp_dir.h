#pragma once

#include <filesystem>
#include <string>

namespace nvk::test {

// A fresh folder under the system's temporary directory, removed with everything in it when
// the object goes. Tests use it as the program's data root so they never touch the user's.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::filesystem::path& path() const { return path_; }
  std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

 private:
  std::filesystem::path path_;
};

}  // namespace nvk::test
