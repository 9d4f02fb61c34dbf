#include <gtest/gtest.h>

#include <fstream>
#include <functional>

#include "app/startup.h"
#include "base/atomic_file.h"
#include "base/messages.h"
#include "files/raw_file.h"
#include "settings/settings_file.h"
#include "support/program_fixture.h"

namespace nvk::base {
namespace {

void writeText(const std::filesystem::path& path, std::string_view text) {
  std::ofstream(path, std::ios::binary) << text;
}

// Each step of a save that can fail records the system's reason for it.
TEST(WriteFailureTest, EachFailingStepRecordsTheSystemsReason) {
  test::TempDir root;
  writeText(root.path() / "blocker", "a file, not a folder");
  std::filesystem::create_directories(root.path() / "folder" / "inside");
  struct Case {
    const char* step;
    std::function<bool(AtomicFile&)> save;
    std::string reason;
  };
  const std::uint8_t bytes[16] = {};
  const Case cases[] = {
      {"open", [&](AtomicFile& f) { return f.open(root.path() / "blocker" / "x.ini"); },
       "Not a directory"},
      {"write",
       [&](AtomicFile& f) { return f.open(root.path() / "x.ini", DiskSpace{8}) && f.write(bytes); },
       "No space left on device"},
      {"rename",
       [&](AtomicFile& f) {
         return f.open(root.path() / "folder") && f.write(bytes) && f.commit();
       },
       "Is a directory"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.step);
    AtomicFile file;
    EXPECT_FALSE(c.save(file));
    EXPECT_EQ(file.failure(), c.reason);
    EXPECT_EQ(takeWriteFailure(), c.reason);
    EXPECT_EQ(takeWriteFailure(), "");  // taken once
  }
}

TEST(WriteFailureTest, SettingsAndImageSaveMessagesGiveTheCause) {
  // "Unable to save INI file, please check disk space" was all a failed save said, whatever
  // the system had reported (a read-only folder, permission denied, a full disk).
  test::ProgramFixture f;
  const auto settingsFile = f.program.paths().settingsFile();
  std::filesystem::create_directories(settingsFile.parent_path());
  settings::Settings bad;
  ASSERT_EQ(settings::saveSettings(settingsFile, bad, f.program.fits),
            settings::SettingsStatus::Ok);
  auto bytes = settings::encodeSettings(bad, f.program.fits);
  bytes[11] = 'x';  // a checked field to repair, so loading saves the file
  writeText(settingsFile, std::string(bytes.begin(), bytes.end()));
  std::filesystem::create_directories(temporaryPathFor(settingsFile));
  app::loadStartupSettings(f.program);

  writeText(f.root.path() / "blocker", "");
  files::saveRawFile(f.program, f.root.path() / "blocker" / "x.raw");
  files::saveRawFile(f.program, f.root.path() / "full.raw", files::DiskSpace{100});
  EXPECT_EQ(
      f.ui.messageTexts(),
      (std::vector<std::string>{"Unable to save INI file, please check disk space\nIs a directory",
                                "Failed to Save KR File\nNot a directory",
                                "Unable to create/overwrite KR File\nNo space left on device"}));
}

}  // namespace
}  // namespace nvk::base
