#pragma once

#include <sys/types.h>

#include <filesystem>
#include <string>
#include <vector>

namespace nvk::test {

// A TCP port on the loopback interface that nothing listens on now.
int freeLoopbackPort();

// True when `program` is a file in one of the folders of PATH.
bool onPath(const std::string& program);

// True when something accepts connections on loopback port `port`.
bool acceptingOn(int port);

// indiserver on loopback port `port` with `drivers`, for the life of the object. It runs in
// `home` (its HOME, where drivers keep their configuration, and the folder of its local socket,
// named after the port so that servers of other runs on this machine do not stand in the way)
// with the caller's environment less HOME and the program's own NVK_K7LQ_ variables, plus
// `environment`; its output and its drivers' go to indiserver.log there. Stopped (SIGTERM, then
// waited for) by stop() or the destructor.
class IndiServerProcess {
 public:
  IndiServerProcess(const std::filesystem::path& home, int port,
                    const std::vector<std::string>& drivers,
                    const std::vector<std::string>& environment = {});
  ~IndiServerProcess();
  IndiServerProcess(const IndiServerProcess&) = delete;
  IndiServerProcess& operator=(const IndiServerProcess&) = delete;

  // False when indiserver could not be started.
  bool started() const { return pid_ > 0; }
  int port() const { return port_; }
  void stop();

 private:
  int port_;
  pid_t pid_ = -1;
};

}  // namespace nvk::test
