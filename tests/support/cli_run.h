#pragma once

#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "cli/cli.h"
#include "support/temp_dir.h"

namespace nvk::test {

// What one run of the command-line tool returned and printed.
struct CliRun {
  int status = 0;
  std::string out;
  std::string err;
};

// Runs the command-line tool with `args` on the data root `root`.
inline CliRun cliRun(const TempDir& root, std::vector<std::string> args) {
  args.insert(args.begin(), {"--root", root.path().string()});
  std::ostringstream out;
  std::ostringstream err;
  const int status = cli::runCli(args, out, err);
  return {status, out.str(), err.str()};
}

// The same on a fresh data root of its own.
inline CliRun cliRun(std::vector<std::string> args) {
  const TempDir root;
  return cliRun(root, std::move(args));
}

}  // namespace nvk::test
