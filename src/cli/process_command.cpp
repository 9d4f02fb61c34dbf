#include <algorithm>
#include <array>
#include <cctype>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "app/label_stamp.h"
#include "app/mirror_flip.h"
#include "base/messages.h"
#include "base/parse_int.h"
#include "cli/cli.h"
#include "cli/colour_operations.h"
#include "files/file_commands.h"
#include "files/fits_file.h"
#include "files/hot_pixel_map_file.h"
#include "files/open_image.h"
#include "files/raw_file.h"
#include "process/calibration.h"
#include "process/filters.h"
#include "process/measure_merge.h"
#include "process/stretch.h"
#include "process/undo.h"
#include "settings/settings_file.h"

namespace nvk::cli {
namespace {

constexpr const char* kUsage =
    "usage: nvk-k7lq-cli process IN OUT OP...\n"
    "  OP: normal:B:W power:P sine log antilog invert nonlinear:C removebg autoproc\n"
    "      lowpass hipass-low hipass-high smoothsharp gaussian basrelief unsharp:R:P\n"
    "      median:R:Q gradient dark:FILE flat:FILE hpmscan:T hpm:FILE label:TEXT mirror flip\n"
    "      undo merge:FILE:X1:Y1:X2:Y2[:avg]\n";
constexpr const char* kOutNote =
    "  OUT is written as FITS when it ends in .FIT (any case), else as a raw file.\n";

// One operation: runs it on the program and says whether it was carried out (false when the
// program refused it; its message has been shown).
using Operation = std::function<bool(app::Program&)>;

// "1.3" -> 13 (one decimal at most), within low..high tenths.
std::optional<int> tenths(std::string_view text, int low, int high) {
  const auto dot = text.find('.');
  if (dot == std::string_view::npos) {
    const auto whole = base::parseIntIn(text, 0, high / 10);
    if (!whole) return std::nullopt;
    return *whole * 10 >= low ? std::optional<int>(*whole * 10) : std::nullopt;
  }
  const auto whole = base::parseIntIn(text.substr(0, dot), 0, high / 10);
  const auto tenth =
      text.size() == dot + 2 ? base::parseIntIn(text.substr(dot + 1), 0, 9) : std::nullopt;
  if (!whole || !tenth) return std::nullopt;
  const int value = *whole * 10 + *tenth;
  return value >= low && value <= high ? std::optional<int>(value) : std::nullopt;
}

Operation kernelFilter(process::KernelId id) {
  return [id](app::Program& p) {
    process::KernelFilterCommand(p, id);
    return true;
  };
}

// A command of any layer: each takes the program as far as its own folder knows it.
template <typename LayerProgram>
Operation simple(void (*command)(LayerProgram&)) {
  return [command](app::Program& p) {
    command(p);
    return true;
  };
}

// merge:FILE:X1:Y1:X2:Y2[:avg|:add]: the numbers are the last fields, so FILE may hold colons.
std::optional<Operation> mergeOperation(std::string_view rest) {
  const auto popField = [&rest]() -> std::optional<std::string_view> {
    const auto colon = rest.rfind(':');
    if (colon == std::string_view::npos) return std::nullopt;
    const std::string_view field = rest.substr(colon + 1);
    rest = rest.substr(0, colon);
    return field;
  };
  process::MergeMode mode = process::MergeMode::Add;
  if (rest.ends_with(":avg") || rest.ends_with(":add")) {
    if (rest.ends_with(":avg")) mode = process::MergeMode::Average;
    popField();
  }
  std::array<int, 4> point{};
  for (int i = 3; i >= 0; --i) {
    const auto field = popField();
    const auto value = field ? base::parseIntIn(*field, 0, 9999) : std::nullopt;
    if (!value) return std::nullopt;
    point[std::size_t(i)] = *value;
  }
  if (rest.empty()) return std::nullopt;
  const std::filesystem::path file(rest);
  return [file, point, mode](app::Program& p) {
    return inputFileReadable(p.ui(), file) &&
           process::mergeWithFile(p, file, point[0], point[1], point[2], point[3], mode);
  };
}

// The operation an argument names, or nullopt when it is not one (or its numbers are out of
// the dialogs' ranges).
std::optional<Operation> parseOperation(std::string_view op) {
  const auto colon = op.find(':');
  const std::string_view name = op.substr(0, colon);
  const std::string_view rest = colon == std::string_view::npos ? "" : op.substr(colon + 1);
  const auto parts = operationFields(op);

  if (parts.size() == 1) {
    if (op == "sine") return simple(process::SineStretch);
    if (op == "log") return simple(process::LogStretch);
    if (op == "antilog") return simple(process::AntilogStretch);
    if (op == "invert") return simple(process::InvertImage);
    if (op == "gradient") return simple(process::GradientFilter);
    if (op == "mirror") return simple(app::MirrorImage);
    if (op == "flip") return simple(app::FlipImage);
    if (op == "lowpass") return kernelFilter(process::KernelId::LowPass);
    if (op == "hipass-low") return kernelFilter(process::KernelId::HighPassLowPower);
    if (op == "hipass-high") return kernelFilter(process::KernelId::HighPassHighPower);
    if (op == "smoothsharp") return kernelFilter(process::KernelId::SmootherSharper);
    if (op == "gaussian") return kernelFilter(process::KernelId::Gaussian);
    if (op == "basrelief") return kernelFilter(process::KernelId::BasRelief);
    if (op == "removebg") {
      return [](app::Program& p) {
        process::EstimateBackground(p);
        process::RemoveBackground(p, true);
        return true;
      };
    }
    if (op == "autoproc") return simple(process::AutoProcess);
    if (op == "undo") {
      return [](app::Program& p) {
        process::UndoLastFilter(p);
        return true;
      };
    }
    return std::nullopt;
  }
  // Operations whose argument is free text or a file name take everything after the colon.
  if (name == "label") {
    const std::string text(rest);
    return [text](app::Program& p) {
      app::LabelImage(p, text);
      return true;
    };
  }
  if (name == "dark" || name == "flat") {
    if (rest.empty()) return std::nullopt;
    const std::filesystem::path file(rest);
    if (name == "dark") {
      return [file](app::Program& p) {
        return inputFileReadable(p.ui(), file) && process::SubtractDarkFrame(p, file);
      };
    }
    return [file](app::Program& p) {
      return inputFileReadable(p.ui(), file) && process::ApplyFlatField(p, file);
    };
  }
  if (name == "merge") return mergeOperation(rest);
  if (name == "hpm") {
    if (rest.empty()) return std::nullopt;
    const std::filesystem::path file(rest);
    return [file](app::Program& p) {
      if (!inputFileReadable(p.ui(), file)) return false;
      switch (files::readHotPixelMapFile(file, p.hotPixelMap)) {
        case files::HotPixelMapRead::Loaded:
          break;
        case files::HotPixelMapRead::CannotOpen:
          base::ShowMessage(p.ui(), base::Message::KrFileOpenFailed);
          return false;
        case files::HotPixelMapRead::NotAMap:
          base::ShowMessage(p.ui(), base::Message::NotKrOrFitsFile);
          return false;
      }
      process::ApplyHotPixelMap(p);
      return true;
    };
  }
  if (name == "hpmscan" && parts.size() == 2) {
    const auto threshold = base::parseIntIn(parts[1], 5000, 65535);
    if (!threshold) return std::nullopt;
    return [t = *threshold](app::Program& p) {
      p.hotPixelMap.threshold = t;
      p.hotPixelMap.name = image::HotPixelMap::kDefaultName;
      const bool hadMap = p.hotPixelMap.loaded;
      p.hotPixelMap.loaded = false;
      process::ScanHotPixels(p, t);
      if (!p.hotPixelMap.loaded) {
        p.hotPixelMap.loaded = hadMap;
        return false;
      }
      std::error_code ignored;
      std::filesystem::create_directories(p.autosaveFolder(), ignored);
      return process::SaveHotPixelMap(p);
    };
  }
  if (name == "normal" && parts.size() == 3) {
    const auto black = base::parseIntIn(parts[1], 0, 255);
    const auto white = base::parseIntIn(parts[2], 1, 300);
    if (!black || !white || *black >= *white) return std::nullopt;
    return [b = *black, w = *white](app::Program& p) { return process::NormalStretch(p, b, w); };
  }
  if (name == "power" && parts.size() == 2) {
    const auto power = tenths(parts[1], 1, 30);
    if (!power) return std::nullopt;
    return [t = *power](app::Program& p) {
      process::PowerLawStretch(p, t);  // a power of 1.0 changes nothing
      return true;
    };
  }
  if (name == "nonlinear" && parts.size() == 2) {
    const auto power = base::parseIntIn(parts[1], 1, 50);
    if (!power) return std::nullopt;
    return [c = *power](app::Program& p) {
      process::NonLinearStretch(p, c);
      return true;
    };
  }
  if (name == "unsharp" && parts.size() == 3) {
    const auto radius = base::parseIntIn(parts[1], 1, 7);
    const auto power = base::parseIntIn(parts[2], 1, 7);
    if (!radius || !power) return std::nullopt;
    return [r = *radius, w = *power](app::Program& p) {
      process::UnsharpMask(p, r, w);
      return true;
    };
  }
  if (name == "median" && parts.size() == 3) {
    const auto radius = base::parseIntIn(parts[1], 1, 3);
    const auto power = base::parseIntIn(parts[2], 1, 10);
    if (!radius || !power) return std::nullopt;
    return [r = *radius, q = *power](app::Program& p) {
      process::MedianFilter(p, r, q);
      return true;
    };
  }
  return std::nullopt;
}

bool endsWithFit(const std::filesystem::path& path) {
  std::string extension = path.extension().string();
  std::transform(extension.begin(), extension.end(), extension.begin(),
                 [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  return extension == ".FIT";
}

}  // namespace

// Opens IN as File > Open does, runs each operation as its menu command does (without the
// dialog), and saves OUT. A refused operation leaves OUT unwritten.
int runProcessCommand(CliSession& session, CommandArgs args) {
  if (args.size() < 3) {
    session.err() << kUsage << kColourOperationsUsage << kOutNote;
    return 2;
  }
  std::vector<Operation> operations;
  for (std::size_t i = 2; i < args.size(); ++i) {
    auto operation = parseOperation(args[i]);
    if (!operation) operation = parseColourOperation(args[i]);
    if (!operation) {
      session.err() << "not an operation: '" << args[i] << "'\n"
                    << kUsage << kColourOperationsUsage << kOutNote;
      return 2;
    }
    operations.push_back(std::move(*operation));
  }

  auto& program = session.program();
  if (!openInputImage(session, args[0])) return 1;
  for (std::size_t i = 0; i < operations.size(); ++i) {
    if (!operations[i](program)) {
      session.err() << "'" << args[i + 2] << "' was refused; " << args[1] << " not written\n";
      return 1;
    }
  }
  const std::filesystem::path out = args[1];
  if (endsWithFit(out)) files::stampTodayWhenUndated(program);
  const files::SaveResult result = endsWithFit(out)
                                       ? files::saveFitsFile(program, out, files::FitsSaveOptions{})
                                       : files::saveRawFile(program, out);
  return result == files::SaveResult::Saved ? 0 : 1;
}

}  // namespace nvk::cli
