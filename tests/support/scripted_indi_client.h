#pragma once

#include <deque>
#include <map>
#include <string>
#include <vector>

#include "port/indi_client.h"

namespace nvk::test {

using port::IndiEvent;
using port::IndiProperty;
using port::IndiState;

// An INDI server in a script: every send is recorded, and the answers queued for it are
// handed over on the next takeEvents().
class ScriptedIndiClient final : public port::IndiClient {
 public:
  struct Sent {
    std::string property;
    std::map<std::string, double> numbers;
    std::map<std::string, bool> switches;
  };
  bool serverUp = true;
  std::vector<Sent> sent;
  std::deque<IndiEvent> pending;
  // Answers queued when a property is sent to.
  std::map<std::string, std::vector<IndiEvent>> answers;

  bool connectServer(const std::string&, int, const std::vector<std::string>&) override {
    if (!serverUp) return false;
    report("CONNECTION", IndiState::Ok, {}, {{"CONNECT", false}, {"DISCONNECT", true}});
    return true;
  }
  void connectDevice(const std::string&) override {
    report("CONNECTION", IndiState::Ok, {}, {{"CONNECT", true}, {"DISCONNECT", false}});
    report("EQUATORIAL_EOD_COORD", IndiState::Ok, {{"RA", 1.0}, {"DEC", 2.0}}, {});
    report("TELESCOPE_TIMED_GUIDE_NS", IndiState::Idle, {{"TIMED_GUIDE_N", 0}}, {});
  }
  void sendNumbers(const std::string&, const std::string& property,
                   const std::map<std::string, double>& values) override {
    sent.push_back({property, values, {}});
    queueAnswers(property);
  }
  void sendSwitches(const std::string&, const std::string& property,
                    const std::map<std::string, bool>& states) override {
    sent.push_back({property, {}, states});
    queueAnswers(property);
  }
  std::vector<IndiEvent> takeEvents() override {
    std::vector<IndiEvent> out(pending.begin(), pending.end());
    pending.clear();
    return out;
  }

  static IndiEvent event(const std::string& name, IndiState state,
                         std::vector<std::pair<std::string, double>> numbers = {},
                         std::vector<std::pair<std::string, bool>> switches = {}) {
    return {IndiEvent::Kind::Property, {"Mount", name, state, numbers, switches}, {}};
  }
  void report(const std::string& name, IndiState state,
              std::vector<std::pair<std::string, double>> numbers,
              std::vector<std::pair<std::string, bool>> switches) {
    pending.push_back(event(name, state, numbers, switches));
  }

 private:
  void queueAnswers(const std::string& property) {
    for (const auto& e : answers[property])
      pending.push_back(e);
  }
};

}  // namespace nvk::test
