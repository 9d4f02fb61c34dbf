#include "settings/settings_file.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <functional>
#include <sstream>

#include "base/atomic_file.h"
#include "port/scripted_ui.h"
#include "support/temp_dir.h"

namespace nvk::image {
namespace {

std::string le16(int v) {
  const auto u = static_cast<std::uint16_t>(v);
  return std::string{static_cast<char>(u & 0xFF), static_cast<char>(u >> 8)};
}

std::string le64(double d) {
  std::uint64_t bits;
  std::memcpy(&bits, &d, 8);
  std::string s;
  for (int i = 0; i < 8; ++i)
    s.push_back(static_cast<char>(bits >> (8 * i)));
  return s;
}

std::string padded(std::string s, std::size_t width, char fill = ' ') {
  s.resize(width, fill);
  return s;
}

// Every field of the file away from its default, written out by hand: the field number, its
// bytes, and the value that gives them (none for the second copies of fields 19 to 27 and for
// field 39, which is always written 'n').
using S = settings::Settings;
using F = FitsHeaderInfo;
struct Field {
  int number;
  std::string bytes;
  std::function<void(S&, F&)> set;
};

std::vector<Field> distinctFile() {
  return {
      {1, le16(40000), [](S& s, F&) { s.autosaveCounter = 40000; }},
      {2, le16(-5), [](S&, F& f) { f.utOffsetHours = -5; }},
      {3, "2", [](S& s, F&) { s.telescopePortIndex = 1; }},
      {4, le16(77), [](S& s, F&) { s.reserved4 = 77; }},
      {5, le16(13), [](S& s, F&) { s.guideStarMaskRadius = 13; }},
      {6, le16(-2), [](S& s, F&) { s.reserved6 = -2; }},
      {7, "r", [](S& s, F&) { s.windowBackground = settings::WindowBackground::Red; }},
      {8, "1", [](S& s, F&) { s.focusOneSecondDelay = true; }},
      {9, le16(12), [](S& s, F&) { s.mainGuide.raRate = 12; }},
      {10, le16(13), [](S& s, F&) { s.mainGuide.decRate = 13; }},
      {11, le16(25), [](S& s, F&) { s.mainGuide.raBacklash = 25; }},
      {12, le16(7), [](S& s, F&) { s.mainGuide.decBacklash = 7; }},
      {13, "1", [](S& s, F&) { s.ignoreDriftBelowAccuracy = true; }},
      {14, "b", [](S& s, F&) { s.guideOutputMode = settings::GuideOutputMode::AutoguiderSocket; }},
      {15, "1", [](S& s, F&) { s.reservedFlag15 = true; }},
      {16, le16(4), [](S& s, F&) { s.mainGuide.raHysteresis = 4; }},
      {17, le16(19), [](S& s, F&) { s.mainGuide.decHysteresis = 19; }},
      // The letters of the north, south, east and west keys.
      {18, "snwe",
       [](S& s, F&) { s.directionLetters = settings::DirectionLetters('w', 'e', 's', 'n'); }},
      {19, "y", [](S& s, F&) { s.autoWeakStretch = true; }},
      {20, "y", [](S& s, F&) { s.autoStrongStretch = true; }},
      {21, "y", [](S& s, F&) { s.autoUserStretch = true; }},
      {22, le16(29), [](S& s, F&) { s.userStretchPower = 29; }},
      {23, "y", [](S& s, F&) { s.autoHighPassLowPower = true; }},
      {24, "y", [](S& s, F&) { s.autoUnsharpMask = true; }},
      {25, le16(5), [](S& s, F&) { s.autoUnsharpDiameter = 5; }},
      {26, le16(6), [](S& s, F&) { s.autoUnsharpPower = 6; }},
      {27, "y", [](S& s, F&) { s.autoRemoveBackground = true; }},
      {28, "y", [](S& s, F&) { s.reservedFlag28 = true; }},
      {29, padded("OBJECT  = 'M31'", 80), [](S&, F& f) { f.object = "M31"; }},
      {30, padded("TELESCOP= 'C14'", 80), [](S&, F& f) { f.telescope = "C14"; }},
      {31, padded("INSTRUME= 'K7LQ'", 80), [](S&, F& f) { f.instrument = "K7LQ"; }},
      {32, padded("OBSERVER= 'A. Observer'", 80), [](S&, F& f) { f.observer = "A. Observer"; }},
      {33, padded("ORIGIN  = 'Home'", 80), [](S&, F& f) { f.origin = "Home"; }},
      {34,
       padded("HISTORY = '" + std::string(68, 'h'), 79) + "'" + padded("HISTORY = 'hh", 79) + "'" +
           padded("HISTORY = '", 79) + "'" + padded("HISTORY = '", 79) + "'",
       [](S&, F& f) { f.historyText = std::string(70, 'h'); }},
      {35,
       padded("COMMENT = 'seeing 2", 79) + "'" + padded("COMMENT = '", 79) + "'" +
           padded("COMMENT = '", 79) + "'" + padded("COMMENT = '", 79) + "'",
       [](S&, F& f) { f.commentText = "seeing 2"; }},
      {36, padded("FILTER  = 'Ha'", 80), [](S&, F& f) { f.filter = "Ha"; }},
      {37, le64(153.9), [](S&, F& f) { f.aperture = 153.9; }},
      {38, le64(154.0), [](S&, F& f) { f.focalLength = 154.0; }},
      {39, "n", {}},
      {40, "y", [](S& s, F&) { s.showInterfaceDetails = true; }},
      {41, std::string("/srv/images") + std::string(1, '\0') + std::string(88, ' '),
       [](S& s, F&) { s.autosaveDirectory = "/srv/images"; }},
      {42, le16(3), [](S& s, F&) { s.guiderGuide.raRate = 3; }},
      {43, le16(4), [](S& s, F&) { s.guiderGuide.decRate = 4; }},
      {44, le16(30), [](S& s, F&) { s.guiderGuide.raBacklash = 30; }},
      {45, le16(9), [](S& s, F&) { s.guiderGuide.decBacklash = 9; }},
      {46, le16(20), [](S& s, F&) { s.guiderGuide.raHysteresis = 20; }},
      {47, le16(1), [](S& s, F&) { s.guiderGuide.decHysteresis = 1; }},
      {48, "y", [](S& s, F&) { s.ignoreBacklash = true; }},
      {49, "y", [](S& s, F&) { s.filterWheelOnSerialPort = true; }},
      {50, le16(-123), [](S& s, F&) { s.guiderRaAngle = -123; }},
      {51, "y", [](S& s, F&) { s.ignoreRaAngle = true; }},
      {52, le16(5), [](S& s, F&) { s.filterCount = 5; }},
      {53,
       padded("Red", 10, '\0') + padded("Green", 10, '\0') + padded("Blue", 10, '\0') +
           padded("Lum", 10, '\0') + padded("Ha12345", 10, '\0') + std::string(20, '\0') +
           padded("X", 10, '\0'),
       [](S& s, F&) { s.filterNames = {"Red", "Green", "Blue", "Lum", "Ha12345", "", "", "X"}; }},
      {54, "n", [](S& s, F&) { s.lineOffset = false; }},
      {55, "y", [](S& s, F&) { s.pixelOffset = true; }},
      {56, "n", [](S& s, F&) { s.antiAliasAfterSynthesis = false; }},
      {57, "y", {}},
      {58, "y", {}},
      {59, "y", [](S& s, F&) { s.irFilterUsed = true; }},
      {60, le16(8), [](S& s, F&) { s.colourSaturation = 8; }},
      {61, "y", {}},
      {62, le16(29), {}},
      {63, "y", {}},
      {64, "y", {}},
      {65, le16(5), {}},
      {66, le16(6), {}},
      {67, "y", {}},
      {68, "n", [](S& s, F&) { s.colourSmoothing = false; }},
      {69, "y", [](S& s, F&) { s.ignoreCameraVidPid = true; }},
      {70, le16(21), [](S& s, F&) { s.aoDefaultGainUpDown = 21; }},
      {71, le16(22), [](S& s, F&) { s.aoDefaultGainLeftRight = 22; }},
      {72, le16(23), [](S& s, F&) { s.aoLatestGainUpDown = 23; }},
      {73, le16(24), [](S& s, F&) { s.aoLatestGainLeftRight = 24; }},
      {74, "y", [](S& s, F&) { s.aoPulseMode = true; }},
      {75, le16(1), [](S& s, F&) { s.serialRoute = 1; }},
      {76, "A", [](S& s, F&) { s.guidingMode = settings::GuidingMode::AoUnit; }},
      {77, "sn", [](S& s, F&) { s.aoUpDownLetters = settings::LetterPair('s', 'n'); }},
      {78, "we", [](S& s, F&) { s.aoLeftRightLetters = settings::LetterPair('w', 'e'); }},
      {79, "y", [](S& s, F&) { s.aoAvailable = true; }},
      {80, "y", [](S& s, F&) { s.aoHalfRate = true; }},
      {81, le16(4), [](S& s, F&) { s.pcComPort = 4; }},
      {82, "SN", [](S& s, F&) { s.mountNorthSouthLetters = settings::LetterPair('S', 'N'); }},
      {83, "WT", [](S& s, F&) { s.mountEastWestLetters = settings::LetterPair('W', 'T'); }},
      {84, "y", [](S& s, F&) { s.guideHeadBin2x2 = true; }},
      {85, "y", [](S& s, F&) { s.guideHeadClear = true; }},
      {86, "y", [](S& s, F&) { s.noNorthCorrections = true; }},
      {87, "y", [](S& s, F&) { s.noSouthCorrections = true; }},
      {88, le16(500), [](S& s, F&) { s.guideAccuracy = 500; }},
      {89, "y", [](S& s, F&) { s.tiff16Bit = true; }},
      {90, "y", [](S& s, F&) { s.useUsbFilterWheel = true; }},
      {91, "y", [](S& s, F&) { s.forceMaxCooling = true; }},
      {92, "n", [](S& s, F&) { s.padFits = false; }},
  };
}

// A settings record with every field away from its default.
void makeDistinct(settings::Settings& s, FitsHeaderInfo& f) {
  for (const Field& field : distinctFile()) {
    if (field.set) field.set(s, f);
  }
}

std::string asString(const std::vector<std::uint8_t>& v) {
  return std::string(v.begin(), v.end());
}
std::vector<std::uint8_t> asBytes(const std::string& s) {
  return {s.begin(), s.end()};
}

std::string joined(const std::vector<Field>& fields) {
  std::string all;
  for (const auto& p : fields)
    all += p.bytes;
  return all;
}

void writeFile(const std::filesystem::path& p, const std::string& bytes) {
  std::filesystem::create_directories(p.parent_path());
  std::ofstream(p, std::ios::binary) << bytes;
}

std::string readFile(const std::filesystem::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

TEST(SettingsFileTest, EveryFieldAtItsOffset) {
  settings::Settings s;
  FitsHeaderInfo f;
  makeDistinct(s, f);
  const std::string file = asString(settings::encodeSettings(s, f));
  ASSERT_EQ(file.size(), 1436u);

  const auto pieces = distinctFile();
  ASSERT_EQ(pieces.size(), 92u);
  std::size_t offset = 0;
  for (const auto& [field, bytes, set] : pieces) {
    EXPECT_EQ(file.substr(offset, bytes.size()), bytes) << "field " << field << " at " << offset;
    offset += bytes.size();
  }
  EXPECT_EQ(offset, 1436u);
  // Anchors worked out from the widths of the layout.
  EXPECT_EQ(file.substr(45, 11), "OBJECT  = '");
  EXPECT_EQ(file.substr(1165, 8), le64(153.9));
  EXPECT_EQ(file.substr(1183, 11), "/srv/images");
  EXPECT_EQ(file.substr(1302, 3), "Red");
  EXPECT_EQ(file[1435], 'n');
}

TEST(SettingsFileTest, RoundTripRestoresEveryValue) {
  settings::Settings s;
  FitsHeaderInfo f;
  makeDistinct(s, f);
  const auto bytes = settings::encodeSettings(s, f);
  settings::Settings back;
  FitsHeaderInfo fitsBack;
  const settings::SettingsDecode d = settings::decodeSettings(bytes, back, fitsBack);
  EXPECT_TRUE(d.complete);
  EXPECT_FALSE(d.needsRepair);
  EXPECT_EQ(settings::encodeSettings(back, fitsBack), bytes);
}

TEST(SettingsFileTest, SubstitutesWhenSaving) {
  settings::Settings s;
  FitsHeaderInfo f;
  s.mainGuide = {55, 60, 55, 55, 55, 55};
  s.guiderGuide = {50, 50, 50, 50, 50, 50};
  s.aoLatestGainUpDown = 99;
  s.unsignedFits = true;
  const std::string file = asString(settings::encodeSettings(s, f));
  EXPECT_EQ(file.substr(13, 2), le16(10));  // main RA rate
  EXPECT_EQ(file.substr(15, 2), le16(10));  // main Dec rate
  EXPECT_EQ(file.substr(17, 2), le16(10));  // main RA backlash
  EXPECT_EQ(file.substr(19, 2), le16(0));   // main Dec backlash
  EXPECT_EQ(file.substr(24, 2), le16(10));  // main RA hysteresis
  EXPECT_EQ(file.substr(26, 2), le16(10));  // main Dec hysteresis
  EXPECT_EQ(file.substr(1283, 2), le16(10));
  EXPECT_EQ(file.substr(1289, 2), le16(0));  // guider Dec backlash
  EXPECT_EQ(file.substr(1293, 2), le16(10));
  EXPECT_EQ(file.substr(1406, 2), le16(10));  // AO latest first gain
  EXPECT_EQ(file[1181], 'n');                 // unsigned FITS is always written off
}

TEST(SettingsFileTest, CardValuesEndAtTheApostropheAndTextCardsJoin) {
  std::string file = joined(distinctFile());
  // An object card with more after the closing apostrophe, and a history block whose fourth
  // card gives only 51 characters.
  file.replace(45, 80, padded("OBJECT  = 'NGC 7000' ignored", 80));
  const std::size_t history = 45 + 5 * 80;
  for (int c = 0; c < 4; ++c) {
    file.replace(history + c * 80, 80, "HISTORY = '" + std::string(68, 'a' + c) + "'");
  }
  settings::Settings s;
  FitsHeaderInfo f;
  settings::decodeSettings(asBytes(file), s, f);
  EXPECT_EQ(f.object, "NGC 7000");
  EXPECT_EQ(f.historyText, std::string(68, 'a') + std::string(68, 'b') + std::string(68, 'c') +
                               std::string(51, 'd'));
}

TEST(SettingsFileTest, OlderFileWithoutField28ReadsAShortObjectCard) {
  // Before field 28 existed its byte was the first byte of the object card.
  std::string file = joined(distinctFile());
  file.erase(44, 1);  // drop field 28: the object card now starts at 44 and is read as 79 bytes
  ASSERT_EQ(file[44], 'O');
  settings::Settings s;
  FitsHeaderInfo f;
  const settings::SettingsDecode d = settings::decodeSettings(asBytes(file), s, f);
  EXPECT_FALSE(s.reservedFlag28);
  // Field 28 took the 'O' and field 29 the next 79 bytes, so the fields after it line up.
  EXPECT_EQ(f.telescope, "C14");
  EXPECT_EQ(s.padFits, false);
  EXPECT_FALSE(d.needsRepair);
}

class SettingsLoadTest : public ::testing::Test {
 protected:
  test::TempDir root;
  std::filesystem::path file = root.path() / "autosave" / "NVK_K7LQ.ini";
  port::ScriptedUi ui;
  settings::Settings s;
  FitsHeaderInfo f;
};

TEST_F(SettingsLoadTest, MissingFolderIsCreatedWithAFreshFile) {
  EXPECT_EQ(settings::loadSettings(file, s, f, ui), settings::SettingsStatus::Ok);
  EXPECT_EQ(readFile(file),
            asString(settings::encodeSettings(settings::Settings{}, FitsHeaderInfo{})));
}

TEST_F(SettingsLoadTest, MissingFileInExistingFolderFails) {
  std::filesystem::create_directories(file.parent_path());
  EXPECT_EQ(settings::loadSettings(file, s, f, ui), settings::SettingsStatus::LoadFailed);
  EXPECT_FALSE(std::filesystem::exists(file));
}

TEST_F(SettingsLoadTest, FileEndingAfterField55KeepsTheRest) {
  const auto pieces = distinctFile();
  std::string file55;
  for (const auto& [n, bytes, set] : pieces) {
    if (n <= 55) file55 += bytes;
  }
  writeFile(file, file55);
  s.colourSaturation = 4;
  s.padFits = true;
  EXPECT_EQ(settings::loadSettings(file, s, f, ui), settings::SettingsStatus::LoadFailed);
  EXPECT_TRUE(s.pixelOffset);         // field 55 read
  EXPECT_EQ(s.filterCount, 5);        // field 52 read
  EXPECT_EQ(s.colourSaturation, 4);   // field 60 kept its value
  EXPECT_TRUE(s.padFits);             // field 92 kept its value
  EXPECT_EQ(readFile(file), file55);  // the short file is left as it is
}

TEST_F(SettingsLoadTest, BadCommPortIsReportedAndLoadingGoesOn) {
  std::string bytes = joined(distinctFile());
  bytes[4] = '3';
  writeFile(file, bytes);
  EXPECT_EQ(settings::loadSettings(file, s, f, ui), settings::SettingsStatus::Ok);
  ASSERT_EQ(ui.messages().size(), 1u);
  EXPECT_EQ(ui.messages()[0].title, "NVK_K7LQ_USB");
  EXPECT_EQ(ui.messages()[0].text, "Failed to read comm port value");
  EXPECT_EQ(s.telescopePortIndex, 0);  // unchanged
  EXPECT_EQ(s.guideAccuracy, 500);     // the rest loaded
}

// Each checked field with a bad value: the field keeps its previous value, every later field is
// still read, and the file is rewritten from the repaired values.
struct BadField {
  int field;
  std::size_t offset;
  std::string bad;
  bool otherCopyHoldsIt = false;  // the automatic-processing fields are kept twice
};

class SettingsRepairTest : public SettingsLoadTest,
                           public ::testing::WithParamInterface<BadField> {};

TEST_P(SettingsRepairTest, BadValueKeepsPreviousAndLaterFieldsSurvive) {
  const BadField& b = GetParam();
  std::string bytes = joined(distinctFile());
  bytes.replace(b.offset, b.bad.size(), b.bad);
  writeFile(file, bytes);

  EXPECT_EQ(settings::loadSettings(file, s, f, ui), settings::SettingsStatus::Ok);
  // Everything after the bad field survives (the last fields of the file are all non-default).
  EXPECT_EQ(s.guideAccuracy, 500);
  EXPECT_TRUE(s.forceMaxCooling);
  EXPECT_FALSE(s.padFits);
  EXPECT_EQ(f.observer, "A. Observer");

  // The rewritten file is the good file with the default back in the bad field, or the good
  // file itself where the field's other copy, read later or earlier, holds the good value.
  std::string expected = joined(distinctFile());
  if (!b.otherCopyHoldsIt) {
    const std::string defaults =
        asString(settings::encodeSettings(settings::Settings{}, FitsHeaderInfo{}));
    expected.replace(b.offset, b.bad.size(), defaults.substr(b.offset, b.bad.size()));
  }
  EXPECT_EQ(readFile(file), expected);
  EXPECT_TRUE(ui.messages().empty());
}

INSTANTIATE_TEST_SUITE_P(
    CheckedFields, SettingsRepairTest,
    ::testing::Values(BadField{7, 11, "x"}, BadField{11, 17, le16(31)}, BadField{13, 21, "y"},
                      BadField{14, 22, "z"}, BadField{15, 23, "2"}, BadField{18, 28, "nsnn"},
                      BadField{22, 35, le16(37), true}, BadField{23, 37, "1", true},
                      BadField{24, 38, "Y", true}, BadField{25, 39, le16(7), true},
                      BadField{26, 41, le16(0), true}, BadField{27, 43, "?", true},
                      BadField{44, 1287, le16(31)}, BadField{62, 1391, le16(0), true},
                      BadField{63, 1393, "x", true}, BadField{64, 1394, "x", true},
                      BadField{65, 1395, le16(9), true}, BadField{66, 1397, le16(-1), true},
                      BadField{67, 1399, "x", true}),
    [](const auto& info) { return "Field" + std::to_string(info.param.field); });

TEST_F(SettingsLoadTest, NegativeGuideStarMaskRadiusBecomesTheDefault) {
  // Field 5 used to take any 16-bit value, and a negative radius made every star search
  // allocate gigabytes; even a 9-byte file applied it.
  for (const int bad : {-16400, -9473, -1, 0, 6, 10, 12, 16, 32767}) {
    std::string bytes = joined(distinctFile());
    bytes.replace(7, 2, le16(bad));
    writeFile(file, bytes);
    s.guideStarMaskRadius = 13;
    EXPECT_EQ(settings::loadSettings(file, s, f, ui), settings::SettingsStatus::Ok) << bad;
    EXPECT_EQ(s.guideStarMaskRadius, 9) << bad;
    EXPECT_EQ(readFile(file).substr(7, 2), le16(9)) << bad;  // the file is repaired
  }
  const std::string shortFile("\x01\x00\x00\x61\x00\x70\x70\x80\x80", 9);
  settings::Settings fromShort;
  FitsHeaderInfo fits;
  settings::decodeSettings(asBytes(shortFile), fromShort, fits);
  EXPECT_EQ(fromShort.guideStarMaskRadius, 9);
}

TEST_F(SettingsLoadTest, MainRaBacklash31KeepsEveryLaterField) {
  // The fault this guards against: a bad field used to stop the load and rewrite the file from
  // defaults for everything after it.
  std::string bytes = joined(distinctFile());
  bytes.replace(17, 2, le16(31));
  writeFile(file, bytes);
  s.mainGuide.raBacklash = 3;
  EXPECT_EQ(settings::loadSettings(file, s, f, ui), settings::SettingsStatus::Ok);
  EXPECT_EQ(s.mainGuide.raBacklash, 3);
  EXPECT_EQ(s.mainGuide.decBacklash, 7);
  settings::Settings reloaded;
  FitsHeaderInfo reloadedFits;
  EXPECT_EQ(settings::loadSettings(file, reloaded, reloadedFits, ui), settings::SettingsStatus::Ok);
  EXPECT_EQ(reloaded.mainGuide.raBacklash, 3);
  EXPECT_EQ(reloaded.filterNames[4], "Ha12345");
  EXPECT_EQ(reloaded.aoLatestGainLeftRight, 24);
  EXPECT_EQ(reloadedFits.commentText, "seeing 2");
}

TEST_F(SettingsLoadTest, SaturationOutOfRangeBecomes3AndUnsignedReadsFalse) {
  std::string bytes = joined(distinctFile());
  bytes.replace(1388, 2, le16(12));
  bytes[1181] = 'y';
  writeFile(file, bytes);
  s.unsignedFits = true;
  EXPECT_EQ(settings::loadSettings(file, s, f, ui), settings::SettingsStatus::Ok);
  EXPECT_EQ(s.colourSaturation, 3);
  EXPECT_FALSE(s.unsignedFits);
  EXPECT_EQ(readFile(file), bytes);  // not a repair: the file stays as it was
}

TEST_F(SettingsLoadTest, FailedSaveLeavesThePreviousFileWhole) {
  const std::string good = joined(distinctFile());
  writeFile(file, good);
  // The temporary file cannot be created: a folder stands in its place.
  std::filesystem::create_directories(base::temporaryPathFor(file));
  EXPECT_EQ(settings::saveSettings(file, settings::Settings{}, FitsHeaderInfo{}),
            settings::SettingsStatus::SaveFailed);
  EXPECT_EQ(readFile(file), good);
}

TEST_F(SettingsLoadTest, FailedRenameLeavesNoTemporaryFile) {
  // The target itself is a folder: the rename fails.
  std::filesystem::create_directories(file / "x");
  EXPECT_EQ(settings::saveSettings(file, settings::Settings{}, FitsHeaderInfo{}),
            settings::SettingsStatus::SaveFailed);
  EXPECT_FALSE(std::filesystem::exists(base::temporaryPathFor(file)));
}

TEST(SettingsPrintTest, PrintsExactlyWhatTheFileHolds) {
  std::string bytes = joined(distinctFile());
  bytes[1385] = 'n';  // field 57, the second copy of the weak stretch, differs from 19
  std::ostringstream out;
  EXPECT_TRUE(settings::printSettingsFields(asBytes(bytes), out));
  std::vector<std::string> lines;
  std::istringstream in(out.str());
  for (std::string line; std::getline(in, line);)
    lines.push_back(line);
  ASSERT_EQ(lines.size(), 92u);
  EXPECT_EQ(lines[0], "01 autosaveCounter = 40000");
  EXPECT_EQ(lines[1], "02 utOffsetHours = -5");
  EXPECT_EQ(lines[2], "03 telescopeComPort = 2");
  EXPECT_EQ(lines[17], "18 directionLetters = snwe");
  EXPECT_EQ(lines[18], "19 autoWeakStretch = true");
  EXPECT_EQ(lines[33], "34 historyText = \"" + std::string(70, 'h') + "\"");
  EXPECT_EQ(lines[36], "37 aperture = 153.90000000000001");
  EXPECT_EQ(lines[52],
            "53 filterNames = \"Red\",\"Green\",\"Blue\",\"Lum\",\"Ha12345\",\"\",\"\",\"X\"");
  EXPECT_EQ(lines[56], "57 autoWeakStretch2 = false");
  EXPECT_EQ(lines[75], "76 guidingMode = A");
  EXPECT_EQ(lines[91], "92 padFits = false");
}

TEST(SettingsSetTest, ChecksLikeTheDialog) {
  // NAME=VALUE, in the order they are set.
  const char* accepted[] = {
      "mainRaHysteresis=35",   "filterCount=9",     "guideStarMaskRadius=11", "guideOutputMode=l",
      "directionLetters=nswe", "filterNames=R,G,B", "padFits=false",          "object=M 42",
      "aperture=8.5",          "guiderRaAngle=-360"};
  const char* refused[] = {"mainRaBacklash=31",
                           "guideStarMaskRadius=10",
                           "guideAccuracy=300",
                           "guideOutputMode=x",
                           "directionLetters=nnew",
                           "filterNames=TooLongName",
                           "unsignedFits=true",
                           "noSuchSetting=1",
                           "aperture=0",
                           "guiderRaAngle=361",
                           "aperture=-5",
                           "aperture=nan",
                           "aperture=1e999",
                           "focalLength=-0.1",
                           "focalLength=12x",
                           "guiderRaAngle=-400",
                           "utOffsetHours=12",
                           "mainRaGuideRate=0",
                           "mainRaGuideRate=50",
                           "aoDefaultGainUpDown=-1",
                           "pcComPort=7",
                           "autosaveCounter=65536"};
  settings::Settings s;
  FitsHeaderInfo f;
  const auto set = [&](std::string_view assignment) {
    const auto equals = assignment.find('=');
    return settings::setSettingsField(assignment.substr(0, equals), assignment.substr(equals + 1),
                                      s, f);
  };
  for (const char* a : refused)
    EXPECT_NE(set(a), "") << a;
  for (const char* a : accepted)
    EXPECT_EQ(set(a), "") << a;
  // What the accepted values became.
  EXPECT_EQ(s.mainGuide.raHysteresis, 20);  // capped
  EXPECT_EQ(s.filterCount, 7);              // outside 1..8
  EXPECT_EQ(s.guideStarMaskRadius, 11);
  EXPECT_EQ(s.guideOutputMode, settings::GuideOutputMode::Lx200);
  EXPECT_EQ(s.directionLetters, (settings::DirectionLetters{'w', 'e', 'n', 's'}));
  EXPECT_EQ(s.filterNames[1], "G");
  EXPECT_EQ(s.filterNames[3], "");
  EXPECT_FALSE(s.padFits);
  EXPECT_EQ(f.object, "M 42");
  EXPECT_EQ(f.aperture, 8.5);
  EXPECT_EQ(s.guiderRaAngle, -360);
  EXPECT_EQ(settings::settingsFieldNames().size(), 92u);
}

}  // namespace
}  // namespace nvk::image
