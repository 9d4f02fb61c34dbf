#pragma once

#include <memory>

#include "port/indi_client.h"

namespace nvk::platform {

// The INDI client on libindi's client library. libindi reads the server on its own listener
// thread and calls back there; each callback copies what it heard into a queue under a lock,
// and takeEvents() empties the queue on the program's thread. Sending happens on the program's
// thread from property vectors built here, so no libindi property is shared between threads.
class LibIndiClient final : public port::IndiClient {
 public:
  LibIndiClient();
  ~LibIndiClient() override;
  LibIndiClient(const LibIndiClient&) = delete;
  LibIndiClient& operator=(const LibIndiClient&) = delete;

  bool connectServer(const std::string& host, int port,
                     const std::vector<std::string>& devices) override;
  void connectDevice(const std::string& device) override;
  void sendNumbers(const std::string& device, const std::string& property,
                   const std::map<std::string, double>& values) override;
  void sendSwitches(const std::string& device, const std::string& property,
                    const std::map<std::string, bool>& states) override;
  std::vector<port::IndiEvent> takeEvents() override;

 private:
  class Listener;
  std::unique_ptr<Listener> listener_;
};

}  // namespace nvk::platform
