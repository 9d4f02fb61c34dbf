#include "indi/indi_server.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

extern char** environ;

namespace nvk::test {
namespace {

sockaddr_in loopback(int port) {
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<std::uint16_t>(port));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  return address;
}

// argv and envp of posix_spawn: pointers into `texts`, ended by a null pointer.
std::vector<char*> pointersTo(std::vector<std::string>& texts) {
  std::vector<char*> pointers;
  for (auto& text : texts)
    pointers.push_back(text.data());
  pointers.push_back(nullptr);
  return pointers;
}

}  // namespace

int freeLoopbackPort() {
  const int s = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address = loopback(0);
  bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address);
  socklen_t length = sizeof address;
  getsockname(s, reinterpret_cast<sockaddr*>(&address), &length);
  close(s);
  return ntohs(address.sin_port);
}

bool onPath(const std::string& program) {
  const char* path = std::getenv("PATH");
  const std::string folders = path != nullptr ? path : "";
  std::size_t start = 0;
  while (start <= folders.size()) {
    const auto end = std::min(folders.find(':', start), folders.size());
    const std::string folder = folders.substr(start, end - start);
    if (!folder.empty() && access((folder + "/" + program).c_str(), X_OK) == 0) return true;
    start = end + 1;
  }
  return false;
}

bool acceptingOn(int port) {
  const int s = socket(AF_INET, SOCK_STREAM, 0);
  const sockaddr_in address = loopback(port);
  const bool ok = ::connect(s, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
  close(s);
  return ok;
}

IndiServerProcess::IndiServerProcess(const std::filesystem::path& home, int port,
                                     const std::vector<std::string>& drivers,
                                     const std::vector<std::string>& environment)
    : port_(port) {
  const std::string portText = std::to_string(port);
  std::vector<std::string> args{"indiserver", "-p", portText, "-u",
                                (home / ("indiserver-" + portText)).string()};
  args.insert(args.end(), drivers.begin(), drivers.end());
  std::vector<std::string> env{"HOME=" + home.string()};
  for (char** e = environ; *e != nullptr; ++e) {
    const std::string entry = *e;
    if (!entry.starts_with("HOME=") && !entry.starts_with("NVK_K7LQ_")) env.push_back(entry);
  }
  env.insert(env.end(), environment.begin(), environment.end());
  auto argv = pointersTo(args);
  auto envp = pointersTo(env);
  const std::string logPath = (home / "indiserver.log").string();
  posix_spawn_file_actions_t files;
  posix_spawn_file_actions_init(&files);
  posix_spawn_file_actions_addopen(&files, 1, logPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_adddup2(&files, 1, 2);
  if (posix_spawnp(&pid_, "indiserver", &files, nullptr, argv.data(), envp.data()) != 0) pid_ = -1;
  posix_spawn_file_actions_destroy(&files);
}

IndiServerProcess::~IndiServerProcess() {
  stop();
}

void IndiServerProcess::stop() {
  if (pid_ <= 0) return;
  kill(pid_, SIGTERM);
  int status = 0;
  waitpid(pid_, &status, 0);
  pid_ = -1;
}

}  // namespace nvk::test
