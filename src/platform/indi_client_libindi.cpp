#include "platform/indi_client_libindi.h"

#include <libindi/baseclient.h>
#include <libindi/basedevice.h>
#include <libindi/indiproperty.h>
#include <libindi/indipropertynumber.h>
#include <libindi/indipropertyswitch.h>

#include <mutex>

namespace nvk::platform {
namespace {

port::IndiState stateOf(IPState state) {
  switch (state) {
    case IPS_OK:
      return port::IndiState::Ok;
    case IPS_BUSY:
      return port::IndiState::Busy;
    case IPS_ALERT:
      return port::IndiState::Alert;
    case IPS_IDLE:
      break;
  }
  return port::IndiState::Idle;
}

// A copy of a property, taken on the listener thread while libindi holds it still.
port::IndiProperty copyOf(INDI::Property property) {
  port::IndiProperty copy;
  copy.device = property.getDeviceName();
  copy.name = property.getName();
  copy.state = stateOf(property.getState());
  if (property.getType() == INDI_NUMBER) {
    for (const auto& element : *property.getNumber())
      copy.numbers.emplace_back(element.getName(), element.getValue());
  } else if (property.getType() == INDI_SWITCH) {
    for (const auto& element : *property.getSwitch())
      copy.switches.emplace_back(element.getName(), element.getState() == ISS_ON);
  }
  return copy;
}

}  // namespace

// The libindi client: its callbacks run on libindi's listener thread and only queue.
class LibIndiClient::Listener final : public INDI::BaseClient {
 public:
  std::vector<port::IndiEvent> take() {
    std::lock_guard lock(mutex_);
    return std::exchange(events_, {});
  }

 protected:
  void newProperty(INDI::Property property) override {
    push({port::IndiEvent::Kind::Property, copyOf(property), {}});
  }
  void updateProperty(INDI::Property property) override {
    push({port::IndiEvent::Kind::Property, copyOf(property), {}});
  }
  void removeProperty(INDI::Property property) override {
    port::IndiEvent event{port::IndiEvent::Kind::PropertyGone, {}, {}};
    event.property.device = property.getDeviceName();
    event.property.name = property.getName();
    push(std::move(event));
  }
  void newMessage(INDI::BaseDevice device, int messageId) override {
    port::IndiEvent event{port::IndiEvent::Kind::Message, {}, device.messageQueue(messageId)};
    event.property.device = device.getDeviceName();
    push(std::move(event));
  }
  void serverDisconnected(int) override { push({port::IndiEvent::Kind::ServerLost, {}, {}}); }

 private:
  void push(port::IndiEvent event) {
    std::lock_guard lock(mutex_);
    events_.push_back(std::move(event));
  }

  std::mutex mutex_;
  std::vector<port::IndiEvent> events_;
};

LibIndiClient::LibIndiClient() : listener_(std::make_unique<Listener>()) {}

LibIndiClient::~LibIndiClient() {
  if (listener_->isServerConnected()) listener_->disconnectServer();
}

bool LibIndiClient::connectServer(const std::string& host, int port,
                                  const std::vector<std::string>& devices) {
  if (listener_->isServerConnected()) listener_->disconnectServer();
  // A fresh client for every connection: libindi keeps the devices of the last one.
  listener_ = std::make_unique<Listener>();
  listener_->setServer(host.c_str(), static_cast<unsigned int>(port));
  for (const auto& device : devices)
    listener_->watchDevice(device.c_str());
  if (!listener_->connectServer()) return false;
  for (const auto& device : devices)
    listener_->setBLOBMode(B_NEVER, device.c_str());
  return true;
}

void LibIndiClient::connectDevice(const std::string& device) {
  sendSwitches(device, "CONNECTION", {{"CONNECT", true}, {"DISCONNECT", false}});
}

void LibIndiClient::sendNumbers(const std::string& device, const std::string& property,
                                const std::map<std::string, double>& values) {
  INDI::PropertyNumber vector(values.size());
  vector.setDeviceName(device.c_str());
  vector.setName(property.c_str());
  std::size_t i = 0;
  for (const auto& [name, value] : values) {
    vector[i].setName(name.c_str());
    vector[i].setValue(value);
    ++i;
  }
  listener_->sendNewNumber(vector);
}

void LibIndiClient::sendSwitches(const std::string& device, const std::string& property,
                                 const std::map<std::string, bool>& states) {
  INDI::PropertySwitch vector(states.size());
  vector.setDeviceName(device.c_str());
  vector.setName(property.c_str());
  std::size_t i = 0;
  for (const auto& [name, on] : states) {
    vector[i].setName(name.c_str());
    vector[i].setState(on ? ISS_ON : ISS_OFF);
    ++i;
  }
  listener_->sendNewSwitch(vector);
}

std::vector<port::IndiEvent> LibIndiClient::takeEvents() {
  return listener_->take();
}

}  // namespace nvk::platform
