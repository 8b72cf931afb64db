#include "rotator_stand_in_win.h"

#include <stdexcept>

namespace bench {

RotatorStandIn::RotatorStandIn(const std::string& service, const std::string& topic,
                               const Timer& timer)
    : timer_(timer) {
  arrivals_.reserve(4096);
  ddeml::ServerHandlers handlers;
  handlers.execute = [this](const ddeml::IncomingExecute& execute) {
    LONGLONG now = timer_.Now();
    arrivals_.push_back({now, std::string(execute.bytes)});
    return ddeml::ExecuteAnswer::kAck;
  };
  handlers.connected = [this](HCONV) { ++conversations_; };
  std::string error;
  server_ = ddeml::Server::Start({service, topic}, std::move(handlers), &error);
  if (!server_) throw std::runtime_error(error);
}

RotatorStandIn::~RotatorStandIn() = default;

}  // namespace bench
