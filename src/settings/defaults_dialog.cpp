#include "settings/defaults_dialog.h"

#include <filesystem>
#include <optional>
#include <system_error>

#include "base/messages.h"
#include "base/parse_int.h"
#include "port/dialog_controls.h"
#include "settings/settings_file.h"

namespace nvk::settings {

std::optional<std::string> normaliseAutosaveDirectory(std::string_view typed) {
  std::string text(typed.substr(0, DefaultsDialog::kMaxDirectoryChars));
  while (!text.empty() && text.back() == ' ')
    text.pop_back();
  if (text.empty()) return std::string();
  if (base::hasDriveLetter(text)) {
    // This machine has one drive, the data root.
    if (text[0] != 'c' && text[0] != 'C') return std::nullopt;
    if (text.size() == 2) text += '\\';
    return text;
  }
  if (text.front() == '/') return text;
  // No drive: the folder lies on the current drive, below its top.
  if (text.front() == '\\') return "c:" + text;
  return "c:\\" + text;
}

bool autosaveDirectoryUsable(const base::ProgramPaths& paths, std::string_view setting) {
  const auto folder = paths.resolveAutosaveDirectory(setting);
  std::error_code ec;
  if (std::filesystem::is_directory(folder, ec)) return true;
  std::filesystem::create_directories(folder, ec);
  return !ec && std::filesystem::is_directory(folder, ec);
}

DefaultsDialog::DefaultsDialog(Settings& settings, image::FitsHeaderInfo& fits,
                               const base::ProgramPaths& paths, base::ComPortMap& comPorts,
                               port::Ui& ui)
    : settings_(settings), fits_(fits), paths_(paths), comPorts_(comPorts), ui_(ui) {
  fillEdits();
}

void DefaultsDialog::open() {
  std::error_code error;
  if (std::filesystem::exists(paths_.settingsFile(), error) &&
      loadSettings(paths_.settingsFile(), settings_, fits_, ui_) != SettingsStatus::Ok) {
    base::ShowMessage(ui_, base::Message::UnableToLoadIni);
  }
  fillEdits();
}

void DefaultsDialog::fillSlewEdits() {
  auto fill = [](SlewEdits& e, const GuideParameters& g) {
    e = {std::to_string(g.raRate),       std::to_string(g.decRate),
         std::to_string(g.raBacklash),   std::to_string(g.decBacklash),
         std::to_string(g.raHysteresis), std::to_string(g.decHysteresis)};
  };
  fill(mainEdits, settings_.mainGuide);
  fill(guiderEdits, settings_.guiderGuide);
}

void DefaultsDialog::fillEdits() {
  fillSlewEdits();
  filterCountEdit = std::to_string(settings_.filterCount);
  filterNameEdits = settings_.filterNames;
  autosaveDirEdit =
      settings_.autosaveDirectory.empty() ? "c:\\AUTOSAVE" : settings_.autosaveDirectory;
  pcComPortEdit = std::to_string(settings_.pcComPort + 1);
  for (int i = 0; i < base::ComPortMap::kPorts; ++i) {
    comPortDeviceEdits[static_cast<std::size_t>(i)] = comPorts_.device(i + 1);
  }
  fillIndiEdits();
}

void DefaultsDialog::setGuideStarMaskRadius(int pixels) {
  switch (pixels) {
    case 7:
    case 8:
    case 9:
    case 11:
    case 13:
    case 15:
      settings_.guideStarMaskRadius = static_cast<std::int16_t>(pixels);
      break;
    default:
      break;
  }
}

void DefaultsDialog::setWindowBackground(WindowBackground background) {
  settings_.windowBackground = background;
  if (onBackgroundChanged) onBackgroundChanged();
}

void DefaultsDialog::setGuideOutputMode(GuideOutputMode mode) {
  settings_.guideOutputMode = mode;
  if (preferences_ != nullptr) preferences_->indiEnabled = false;
}

void DefaultsDialog::attachPreferences(Preferences& preferences) {
  preferences_ = &preferences;
  fillIndiEdits();
}

void DefaultsDialog::fillIndiEdits() {
  if (preferences_ == nullptr) return;
  indiEdits = {preferences_->indiHost, std::to_string(preferences_->indiPort),
               preferences_->indiMount, preferences_->indiFocuser};
}

void DefaultsDialog::chooseIndi() {
  if (preferences_ != nullptr) preferences_->indiEnabled = true;
}

bool DefaultsDialog::setIndiDetails() {
  if (preferences_ == nullptr) return true;
  // Each field on its own: a bad one keeps its preference, the others are taken.
  bool ok = true;
  auto take = [&](bool valid, auto& preference, const auto& value) {
    if (valid) {
      preference = value;
    } else {
      ok = false;
    }
  };
  const auto port = base::parseInt(indiEdits.port, base::kSpacesAround);
  take(!indiEdits.host.empty(), preferences_->indiHost, indiEdits.host);
  take(port && *port >= 1 && *port <= 65535, preferences_->indiPort, port.value_or(0));
  take(!indiEdits.mount.empty(), preferences_->indiMount, indiEdits.mount);
  take(true, preferences_->indiFocuser, indiEdits.focuser);
  if (!ok) ui_.beep();
  fillIndiEdits();
  return ok;
}

void DefaultsDialog::setGuideAccuracy(int thousandths) {
  if (thousandths == 1000 || thousandths == 800 || thousandths == 500 || thousandths == 200) {
    settings_.guideAccuracy = static_cast<std::int16_t>(thousandths);
  }
}

void DefaultsDialog::setTelescopeComPort(int index) {
  if (index == 0 || index == 1) settings_.telescopePortIndex = static_cast<std::int16_t>(index);
}

void DefaultsDialog::setTrainingSeconds(bool mainCamera, int seconds) {
  if (seconds != 1 && seconds != 2 && seconds != 4 && seconds != 8) return;
  (mainCamera ? settings_.mainTrainingSeconds : settings_.guiderTrainingSeconds) = seconds;
}

void DefaultsDialog::toggleUseUsbFilterWheel() {
  if (usbFilterWheelFound_) flip(settings_.useUsbFilterWheel);
}

void DefaultsDialog::toggleForceMaximumCooling() {
  flip(settings_.forceMaxCooling);
  if (settings_.forceMaxCooling && onForceMaximumCooling) onForceMaximumCooling();
}

void DefaultsDialog::toggleAoAvailable() {
  flip(settings_.aoAvailable);
  if (settings_.aoAvailable) settings_.guidingMode = GuidingMode::AoUnit;
}

std::string DefaultsDialog::filterWheelPortText() const {
  if (!settings_.filterWheelOnSerialPort) return "on USB";
  return settings_.telescopePortIndex == 1 ? "on Com2" : "on Com1";
}

void DefaultsDialog::applySlewColumn(const SlewEdits& edits, GuideParameters& guide) {
  auto take = [this](const std::string& text, std::int16_t& value, ValueRange range, bool cap) {
    auto v = base::parseInt(text, base::kSpacesAround);
    if (v && cap && *v > range.hi) v = range.hi;
    if (!v || !range.contains(*v)) {
      ui_.beep();
      return;
    }
    value = static_cast<std::int16_t>(*v);
  };
  take(edits.raRate, guide.raRate, kGuideRateRange, false);
  take(edits.decRate, guide.decRate, kGuideRateRange, false);
  take(edits.raBacklash, guide.raBacklash, kRaBacklashRange, false);
  take(edits.decBacklash, guide.decBacklash, kDecBacklashRange, false);
  take(edits.raHysteresis, guide.raHysteresis, kHysteresisRange, true);
  take(edits.decHysteresis, guide.decHysteresis, kHysteresisRange, true);
}

void DefaultsDialog::setSlewValues() {
  applySlewColumn(mainEdits, settings_.mainGuide);
  applySlewColumn(guiderEdits, settings_.guiderGuide);
  fillSlewEdits();
}

void DefaultsDialog::setFilterDetails() {
  const auto count = base::parseInt(filterCountEdit, base::kSpacesAround);
  settings_.filterCount = static_cast<std::int16_t>(
      count && *count >= 1 && *count <= Settings::kMaxFilters ? *count
                                                              : Settings::kDefaultFilterCount);
  for (std::size_t i = 0; i < filterNameEdits.size(); ++i) {
    settings_.filterNames[i] = filterNameEdits[i].substr(0, 8);
  }
  filterCountEdit = std::to_string(settings_.filterCount);
  filterNameEdits = settings_.filterNames;
}

std::string DefaultsDialog::autosaveFolderOnThisMachine() const {
  const auto normalised = normaliseAutosaveDirectory(autosaveDirEdit);
  if (!normalised) return {};
  return paths_.resolveAutosaveDirectory(*normalised).string();
}

std::string DefaultsDialog::telescopeDeviceText() const {
  // Serial routes 0 and 1 are the camera's ports; above them the PC's own port.
  constexpr int kPcRoute = 3;
  if (settings_.serialRoute >= kPcRoute) {
    const int number = settings_.pcComPort + 1;
    return "PC COM" + std::to_string(number) + " = " + comPorts_.device(number);
  }
  return "the camera's own serial port";
}

bool DefaultsDialog::setAutosaveDir() {
  const auto normalised = normaliseAutosaveDirectory(autosaveDirEdit);
  if (!normalised || !autosaveDirectoryUsable(paths_, *normalised)) {
    base::ShowMessage(ui_, base::Message::InvalidDirectory);
    return false;
  }
  // "c:\AUTOSAVE" itself is the default and is stored as empty.
  const bool isDefault = paths_.resolveAutosaveDirectory(*normalised) == paths_.autosaveFolder();
  settings_.autosaveDirectory = isDefault ? std::string() : *normalised;
  autosaveDirEdit = isDefault ? "c:\\AUTOSAVE" : *normalised;
  return true;
}

bool DefaultsDialog::setPcComPort() {
  const auto number = base::parseInt(pcComPortEdit, base::kSpacesAround);
  if (!number || *number < 1 || *number > base::ComPortMap::kPorts) {
    ui_.beep();
    pcComPortEdit = std::to_string(settings_.pcComPort + 1);
    return false;
  }
  settings_.pcComPort = static_cast<std::int16_t>(*number - 1);
  return true;
}

bool DefaultsDialog::saveChanges() {
  if (!setAutosaveDir()) return false;
  setSlewValues();
  for (int i = 0; i < base::ComPortMap::kPorts; ++i) {
    const std::string& device = comPortDeviceEdits[static_cast<std::size_t>(i)];
    if (!device.empty()) comPorts_.setDevice(i + 1, device);
  }
  setIndiDetails();
  if (saveSettings(paths_.settingsFile(), settings_, fits_) != SettingsStatus::Ok ||
      !comPorts_.save(paths_.comPortMapFile()) ||
      (preferences_ != nullptr && !savePreferences(paths_.preferencesFile(), *preferences_))) {
    base::ShowWriteFailure(ui_, base::Message::UnableToSaveIni);
  }
  return true;
}

}  // namespace nvk::settings
