#pragma once

#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace nvk::port {

// The state light of an INDI property, as the driver sets it.
enum class IndiState { Idle, Ok, Busy, Alert };

// One property of one device as the server last reported it: its state and the values of its
// number elements and switch elements in the driver's order (other kinds keep only their
// state). An update may carry only the elements that changed.
struct IndiProperty {
  std::string device;
  std::string name;
  IndiState state = IndiState::Idle;
  std::vector<std::pair<std::string, double>> numbers;
  std::vector<std::pair<std::string, bool>> switches;

  std::optional<double> number(const std::string& element) const {
    for (const auto& [name, value] : numbers)
      if (name == element) return value;
    return std::nullopt;
  }
  std::optional<bool> switchOn(const std::string& element) const {
    for (const auto& [name, on] : switches)
      if (name == element) return on;
    return std::nullopt;
  }
};

// What the server told the client, in the order it arrived.
struct IndiEvent {
  enum class Kind {
    Property,      // a property was defined or changed: `property`
    PropertyGone,  // a property was deleted: `property.device`, `property.name`
    Message,       // a device's message: `property.device`, `text`
    ServerLost,    // the connection to the server ended
  };
  Kind kind = Kind::Property;
  IndiProperty property;
  std::string text;
};

// A client of an INDI server (a network protocol of XML property vectors). The realisation
// reads the server on a thread of its own; everything it hears is queued and handed over by
// takeEvents() on the caller's thread, so the program never shares state with that thread.
// Every call is made from the program's thread.
class IndiClient {
 public:
  virtual ~IndiClient() = default;

  // Connects to the server (waiting at most a few seconds) and asks for every property of the
  // devices named; false when no server answered.
  virtual bool connectServer(const std::string& host, int port,
                             const std::vector<std::string>& devices) = 0;
  // Asks the driver of `device` to connect to its hardware.
  virtual void connectDevice(const std::string& device) = 0;
  // Sends new values of number or switch elements of one property, all in one message.
  virtual void sendNumbers(const std::string& device, const std::string& property,
                           const std::map<std::string, double>& values) = 0;
  virtual void sendSwitches(const std::string& device, const std::string& property,
                            const std::map<std::string, bool>& states) = 0;
  // Everything heard since the last call, oldest first.
  virtual std::vector<IndiEvent> takeEvents() = 0;
};

}  // namespace nvk::port
