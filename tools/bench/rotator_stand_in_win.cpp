#include "rotator_stand_in_win.h"

#include <stdexcept>

namespace bench {

RotatorStandIn::RotatorStandIn(const std::string& service, const std::string& topic,
                               const Timer& timer)
    : timer_(timer) {
  arrivals_.reserve(4096);
  toolkit::DdeServerHandlers handlers;
  handlers.execute = [this](const toolkit::DdeExecute& execute) {
    LONGLONG now = timer_.Now();
    arrivals_.push_back({now, std::string(execute.bytes)});
    return toolkit::ExecuteAnswer::kAck;
  };
  handlers.connected = [this](HCONV) { ++conversations_; };
  std::string error;
  server_ = toolkit::DdeServer::Start({service, topic}, std::move(handlers), &error);
  if (!server_) throw std::runtime_error(error);
}

RotatorStandIn::~RotatorStandIn() = default;

}  // namespace bench
