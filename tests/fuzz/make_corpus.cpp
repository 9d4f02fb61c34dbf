// Writes the seed corpus of every fuzz target from the program's own writers: the files it saves
// (cut to their header, the first rows and the trailer, in the input layout of the size-driven
// targets), its settings and COM port map files, and device traffic from the simulated mount.
// Usage: fuzz_make_corpus CORPUS_FOLDER
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "base/com_port_map.h"
#include "files/bmp_file.h"
#include "files/fits_file.h"
#include "files/hot_pixel_map_file.h"
#include "files/raw_file.h"
#include "fuzz_support.h"
#include "scope/ao_unit.h"
#include "settings/settings_file.h"
#include "sim/mount.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
namespace fs = std::filesystem;

fs::path corpus;

void seed(const std::string& target, const std::string& name, const Bytes& bytes) {
  fs::create_directories(corpus / target);
  std::ofstream out(corpus / target / name, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
}

Bytes readAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), {});
}

Bytes text(std::string_view s) {
  return Bytes(s.begin(), s.end());
}

// A saved file in the input layout of writeSizedInput: its length's number in `sizes`, its last
// ten bytes, its first `headBytes`. A length not in `sizes` (an eight-bit FITS file, which Open
// does not take) keeps the whole start with length byte 0.
Bytes sizedSeed(const Bytes& file, std::span<const std::int64_t> sizes, std::size_t headBytes) {
  std::size_t number = 0;
  while (number < sizes.size() && sizes[number] != static_cast<std::int64_t>(file.size()))
    ++number;
  Bytes input{static_cast<std::uint8_t>(number == sizes.size() ? 0 : number + 1)};
  input.insert(input.end(), file.end() - 10, file.end());
  input.insert(input.end(), file.begin(), file.begin() + static_cast<std::ptrdiff_t>(headBytes));
  return input;
}

void fillImage(nvk::app::Program& program, bool binned, bool colour) {
  program.state.binned = binned;
  program.state.colourConverted = colour;
  program.applyGeometry();
  auto ramp = [&](nvk::image::Plane plane, unsigned step) {
    for (std::size_t i = 0; i < program.geometry.pixelCount; ++i)
      plane[i] = static_cast<std::uint16_t>(1000 + (i * step) % 5000);
  };
  ramp(program.planes.RawImage, 7);
  for (int i = 0; i < 3; ++i)
    ramp(program.planes.ColourImage[i], 3 + static_cast<unsigned>(i));
}

void imageFiles(nvk::app::Program& program) {
  constexpr std::size_t kHead = 1024;
  constexpr std::size_t kFitsHead = 5760 + 1024;
  struct Shape {
    const char* name;
    bool binned, colour;
    char mode;
  };
  const Shape shapes[] = {{"binned2", true, false, '2'},     {"binned4x8", true, false, '3'},
                          {"subframe", true, false, '5'},    {"hires", false, false, '1'},
                          {"hires7", false, false, '7'},     {"binned-colour", true, true, '5'},
                          {"hires-colour", false, true, '1'}};
  const fs::path scratch = nvk::fuzz::fuzzProgram().root / "seed";
  for (const Shape& s : shapes) {
    fillImage(program, s.binned, s.colour);
    program.state.modeCode = s.mode;
    program.state.readoutMode = nvk::image::readoutModeForCode(s.mode)->mode;
    const std::string name = s.name;

    nvk::files::saveRawFile(program, scratch);
    const Bytes raw = readAll(scratch);
    seed("raw", name, sizedSeed(raw, nvk::fuzz::rawSizes(), kHead));
    seed("open", "raw-" + name, sizedSeed(raw, nvk::fuzz::allImageSizes(), kHead));
    seed("calibration", "dark-" + name, sizedSeed(raw, nvk::fuzz::rawSizes(), kHead));
    if (s.colour) {
      nvk::files::saveFlatFile(program, scratch);
      const Bytes flat = readAll(scratch);
      Bytes flatSeed = sizedSeed(flat, nvk::fuzz::rawSizes(), kHead);
      flatSeed[0] = static_cast<std::uint8_t>(flatSeed[0] + 4);  // odd: read as a flat field
      seed("calibration", "flat-" + name, flatSeed);
      seed("raw", "flat-" + name, sizedSeed(flat, nvk::fuzz::rawSizes(), kHead));
    }

    for (const bool eightBit : {false, true}) {
      if (eightBit && s.colour) continue;
      nvk::files::writeFitsFile(program, scratch, {eightBit, false, {}});
      const Bytes fits = readAll(scratch);
      const std::string fitsName = name + (eightBit ? "-8bit" : "");
      seed("fits_header", fitsName, Bytes(fits.begin(), fits.begin() + 5760));
      seed("fits_file", fitsName, sizedSeed(fits, nvk::fuzz::fitsSizes(), kFitsHead));
      seed("open", "fits-" + fitsName, sizedSeed(fits, nvk::fuzz::allImageSizes(), kFitsHead));
    }
  }
  program.settings.padFits = true;
  fillImage(program, true, false);
  nvk::files::writeFitsFile(program, scratch, {});
  const Bytes padded = readAll(scratch);
  seed("fits_file", "binned-padded", sizedSeed(padded, nvk::fuzz::fitsSizes(), kFitsHead));
  program.settings.padFits = false;
}

void smallFiles(nvk::app::Program& program) {
  const fs::path scratch = nvk::fuzz::fuzzProgram().root / "seed";
  nvk::image::HotPixelMap map;
  map.entries = {0, 17, 3040 * 1012 + 5, 6'152'959};
  nvk::files::writeHotPixelMapFile(scratch, map);
  seed("hot_pixel_map", "four", readAll(scratch));
  seed("open", "hot-pixel-map", readAll(scratch));
  map.entries.clear();
  nvk::files::writeHotPixelMapFile(scratch, map);
  seed("hot_pixel_map", "empty", readAll(scratch));

  for (const int width : {5, 16}) {
    nvk::files::Bitmap bitmap;
    bitmap.width = width;
    bitmap.height = 3;
    bitmap.palette = width == 5 ? nvk::files::greyPalette() : nvk::files::falseColourPalette();
    for (int i = 0; i < width * 3; ++i)
      bitmap.pixels.push_back(static_cast<std::uint8_t>(i * 13));
    nvk::files::writeBitmapFile(scratch, bitmap);
    seed("bmp", "width" + std::to_string(width), readAll(scratch));
  }

  nvk::settings::Settings settings;
  nvk::image::FitsHeaderInfo fits;
  seed("settings", "defaults", nvk::settings::encodeSettings(settings, fits));
  settings.guideStarMaskRadius = 15;
  settings.autosaveDirectory = "/home/observer/autosave";
  settings.filterNames = {"Red", "Green", "Blue", "Lum", "Ha", "", "", ""};
  fits.object = "M 42";
  fits.historyText = "dark subtracted";
  const Bytes changed = nvk::settings::encodeSettings(settings, fits);
  seed("settings", "changed", changed);
  seed("settings", "short", Bytes(changed.begin(), changed.begin() + 100));

  nvk::base::ComPortMap ports;
  ports.save(scratch);
  seed("com_port_map", "defaults", readAll(scratch));
  ports.setDevice(3, "/dev/ttyUSB1");
  ports.setDevice(7, "/dev/serial/by-id/usb-mount");
  ports.save(scratch);
  seed("com_port_map", "changed", readAll(scratch));
  (void)program;
}

// Camera replies: every operation, answered in full and short, with a ramp of samples.
void cameraReplies() {
  for (int operation = 0; operation < 13; ++operation) {
    for (const std::uint8_t shape : {0, 1}) {
      Bytes input{static_cast<std::uint8_t>(operation), shape, 0x5F, 0x00, 0x3F, 0x40};
      for (int i = 0; i < 64; ++i)
        input.push_back(static_cast<std::uint8_t>(i * 37));
      seed("camera_replies", "op" + std::to_string(operation) + (shape ? "-short" : ""), input);
    }
  }
}

// What the simulated mount answers to the program's commands, as the replies of each command.
void mountTraffic(nvk::port::VirtualClock& clock) {
  nvk::sim::SimulatedMount mount(clock);
  auto answer = [&](std::string_view command) {
    mount.receive(text(command));
    clock.advanceMs(100);
    return mount.transmit(256);
  };
  const Bytes object = answer("#:Sr02:30#");
  const Bytes slew = answer("#:MS#");
  const Bytes info = answer("#:LI#");
  for (int command = 0; command < 6; ++command) {
    for (const std::uint8_t shape : {0, 4}) {
      Bytes input{static_cast<std::uint8_t>(command), shape, 42};
      const Bytes& reply = command == 2 ? slew : command < 2 ? info : object;
      input.insert(input.end(), reply.begin(), reply.end());
      seed("lx200", "command" + std::to_string(command) + (shape ? "-pc" : "-camera"), input);
    }
  }
  seed("lx200", "commands", text("#:GR##:GD##:Q##:Mn##:RG##:Sr 12:34:56##:Sd +45*30##:MS#"));
}

void aoTraffic() {
  for (int action = 0; action < 5; ++action) {
    for (const std::uint8_t shape : {0, 4, 8}) {
      Bytes input{static_cast<std::uint8_t>(action), shape, 3, 0xFB, 'H'};
      seed("ao", "action" + std::to_string(action) + "-" + std::to_string(shape), input);
    }
  }
  Bytes commands;
  for (const auto& c : {nvk::scope::aoCommand('G', 'W', 12), nvk::scope::aoCommand('M', 'N', 300),
                        nvk::scope::aoCommand('K', 'x', 0), nvk::scope::aoCommand('H', 'x', 0)}) {
    commands.insert(commands.end(), c.begin(), c.end());
  }
  seed("ao", "unit-commands", commands);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "usage: fuzz_make_corpus CORPUS_FOLDER\n";
    return 2;
  }
  corpus = argv[1];
  auto& f = nvk::fuzz::fuzzProgram();
  imageFiles(f.program);
  smallFiles(f.program);
  cameraReplies();
  mountTraffic(f.clock);
  aoTraffic();
  return 0;
}
