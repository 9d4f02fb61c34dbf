#include <algorithm>
#include <atomic>
#include <cctype>
#include <csignal>
#include <filesystem>
#include <optional>
#include <string>

#include "acquire/exposure_sequence.h"
#include "base/parse_int.h"
#include "cli/cli.h"
#include "files/file_commands.h"
#include "files/fits_file.h"
#include "files/raw_file.h"
#include "scope/mount_factory.h"

namespace nvk::cli {
namespace {

constexpr const char* kUsage =
    "usage: nvk-k7lq-cli capture --mode 1..7 --exposure VALUE[q|h|t|s|m] [--count N] "
    "[--average] [--dark FILE] [--flat FILE] [--autoproc] OUT\n"
    "  q thousandths, h hundredths, t tenths, s seconds (the default), m minutes of a second.\n"
    "  A series of N frames is star-aligned and summed (--average: their mean).\n"
    "  OUT is written as FITS when it ends in .FIT (any case), else as a raw file.\n"
    "  Ctrl+C stops the exposure as Esc does in the window.\n";

// Raised by Ctrl+C while a capture runs; the console Ui reports it as the user's abort (Esc in the
// window).
std::atomic<bool> interrupted{false};
extern "C" void onInterrupt(int) {
  interrupted.store(true);
}

// Ctrl+C for the life of a capture, then the handler that was there before.
class InterruptScope {
 public:
  InterruptScope() : previous_(std::signal(SIGINT, onInterrupt)) { interrupted.store(false); }
  ~InterruptScope() { std::signal(SIGINT, previous_ == SIG_ERR ? SIG_DFL : previous_); }
  InterruptScope(const InterruptScope&) = delete;
  InterruptScope& operator=(const InterruptScope&) = delete;

 private:
  void (*previous_)(int);
};

// The largest exposure value of each unit, as the camera control dialog allows.
int unitMaximum(char unit) {
  switch (unit) {
    case 'q':
    case 'h':
      return 500;
    case 't':
      return 100;
    case 'm':
      return 90;
    default:
      return 300;
  }
}

struct CaptureRequest {
  int mode = 0;
  int value = 0;
  char unit = 's';
  int count = 1;
  bool average = false;
  bool autoProcess = false;
  std::string dark;
  std::string flat;
  std::filesystem::path out;
};

// Reads the arguments; nullopt (after a message on `err`) when they are not a valid capture.
std::optional<CaptureRequest> parse(CommandArgs args, std::ostream& err) {
  CaptureRequest request;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    const bool hasValue = i + 1 < args.size();
    if (a == "--mode" && hasValue) {
      const auto mode = base::parseInt(args[++i]);
      if (!mode || *mode < 1 || *mode > 7) {
        err << "--mode must be a readout mode from 1 to 7\n";
        return std::nullopt;
      }
      request.mode = *mode;
    } else if (a == "--exposure" && hasValue) {
      std::string text = args[++i];
      if (!text.empty() && std::isalpha(static_cast<unsigned char>(text.back()))) {
        request.unit = static_cast<char>(std::tolower(static_cast<unsigned char>(text.back())));
        text.pop_back();
      }
      const auto value = base::parseInt(text);
      if (std::string_view("qhtsm").find(request.unit) == std::string_view::npos || !value ||
          *value < 1 || *value > unitMaximum(request.unit)) {
        err << "--exposure must be a whole number of q, h, t, s or m units, from 1 to 500 q or h, "
               "100 t, 300 s or 90 m\n";
        return std::nullopt;
      }
      request.value = *value;
    } else if (a == "--count" && hasValue) {
      const auto count = base::parseInt(args[++i]);
      if (!count || *count < 1 || *count > 99) {
        err << "--count must be from 1 to 99\n";
        return std::nullopt;
      }
      request.count = *count;
    } else if (a == "--dark" && hasValue) {
      request.dark = args[++i];
    } else if (a == "--flat" && hasValue) {
      request.flat = args[++i];
    } else if (a == "--average") {
      request.average = true;
    } else if (a == "--autoproc") {
      request.autoProcess = true;
    } else if (a.starts_with("--") || !request.out.empty()) {
      err << kUsage;
      return std::nullopt;
    } else {
      request.out = a;
    }
  }
  if (request.mode == 0 || request.value == 0 || request.out.empty()) {
    err << kUsage;
    return std::nullopt;
  }
  return request;
}

bool isFitsName(const std::filesystem::path& path) {
  std::string extension = path.extension().string();
  std::transform(extension.begin(), extension.end(), extension.begin(),
                 [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  return extension == ".FIT";
}

}  // namespace

// Runs the camera interface command's exposure sequence without its dialog: the arguments set
// what the dialog would, the progress dialog is a text bar on the error stream and Ctrl+C is
// the user's key press. Saves the resulting image.
int runCaptureCommand(CliSession& session, CommandArgs args) {
  const auto request = parse(args, session.err());
  if (!request) return 2;

  app::Program& program = session.program();
  ConsoleUi& ui = session.ui();
  ui.attachPumpClock(dynamic_cast<port::VirtualClock*>(&session.clock()));
  ui.attachAbortFlag(&interrupted);
  ui.showProgressBar(true);
  InterruptScope interruptScope;

  acquire::ExposureSequence sequence(program);
  if (!sequence.connect()) return 1;
  // A chosen mount is attached, so that the frame carries where it points (with --simulate the
  // simulated one, which the simulated sky follows).
  if (scope::telescopeDriveChosen(program)) session.mount();

  auto& s = program.acquisition;
  s.exposureUnit = request->unit;
  s.exposureValue = request->value;
  s.exposureMaximum = unitMaximum(request->unit);
  s.exposureCount = request->count;
  s.average = request->average;
  s.autoProcess = request->autoProcess;
  s.autoRemoveDark = !request->dark.empty();
  s.autoApplyFlat = !request->flat.empty();
  if (s.autoRemoveDark) program.fileMenu.darkFramePath = request->dark;
  if (s.autoApplyFlat) program.fileMenu.flatFieldPath = request->flat;
  program.state.readoutMode = static_cast<image::ReadoutMode>(request->mode);

  sequence.run();
  if (sequence.state().aborted || sequence.state().framesFinished == 0) {
    session.err() << "capture stopped before a frame was read; nothing saved\n";
    return 1;
  }
  const bool asFits = isFitsName(request->out);
  // A FITS frame carries its observation time, as the autosaved one does.
  if (asFits) files::stampObservationTime(program);
  const files::SaveResult saved = asFits ? files::saveFitsFile(program, request->out, {})
                                         : files::saveRawFile(program, request->out);
  if (saved != files::SaveResult::Saved) return 1;
  session.out() << request->out.string() << '\n';
  return 0;
}

}  // namespace nvk::cli
