#include "rotserver/win/backend_win.h"

#include <windows.h>

#include "rotserver/core/rotctld_driver.h"
#include "rotserver/core/rotctld_command.h"
#include "rotserver/core/simulated_driver.h"
#include "rotserver/core/unusable_driver.h"
#include "toolkit/byte_text.h"
#include "rotserver/win/rotctld_probe_win.h"

namespace rotserver {

namespace {

constexpr char kNoRotatorLabel[] = "no rotator";

// The simulated rotator has the range chosen for the rotator (0..360 when none is), and turns
// at a real rotator's pace.
SimulatedConfig SimulatedFor(const Settings& settings) {
  SimulatedConfig config;
  config.speed_dps = 6;
  std::optional<RotatorRange> range;
  if (ParseRotatorRange(settings.rotator_range, &range) && range) {
    config.min_az = range->min_az;
    config.max_az = range->max_az;
  }
  return config;
}

RotctldTiming TimingFor(const Settings& settings) {
  RotctldTiming timing;
  timing.poll_still_ms = settings.poll_ms;
  if (timing.poll_turning_ms > timing.poll_still_ms) timing.poll_turning_ms = timing.poll_still_ms;
  return timing;
}

}  // namespace

std::string BackendLabel(const Settings& settings) {
  if (settings.backend == BackendKind::kSimulated) return "simulated";
  return "rotctld " + settings.rotctld_address;
}

namespace {

// The chosen controller's rotctld gets a spare loopback port of its own at every rebuild; the
// address follows it.
Settings WithBuiltCommand(Settings settings) {
  if (!UsesBuiltCommand(settings)) return settings;
  const int port = SpareLoopbackPort();
  settings.rotctld_command = BuildRotctldCommand(settings, port);
  settings.rotctld_address = "127.0.0.1:" + std::to_string(port);
  return settings;
}

}  // namespace

Backend::Backend(const Settings& chosen, toolkit::LineLog& log, Millis now) : log_(log) {
  const Settings settings = WithBuiltCommand(chosen);
  label_ = BackendLabel(settings);
  if (settings.backend == BackendKind::kRotctld) {
    if (!settings.rotctld_command.empty()) {
      supervisor_ = std::make_unique<Supervisor>(settings.rotctld_command);
      supervisor_->on_event = [this](const std::string& text) { log_.Line(text); };
      supervisor_->Tick(now);  // started before the first connect attempt
    }
    socket_ = std::make_unique<TcpConnection>(settings.rotctld_address);
    auto rotctld =
        std::make_unique<RotctldDriver>(*socket_, TimingFor(settings), ConfiguredRange(settings));
    RotctldDriver* driver = rotctld.get();
    ByteLinkEvents events;
    events.opened = [this, driver] {
      log_.Line("rotctld connected");
      driver->OnOpened(static_cast<Millis>(GetTickCount64()));
    };
    events.bytes = [this, driver](std::string_view bytes) {
      auto now = static_cast<Millis>(GetTickCount64());
      if (log_.enabled()) LogReceived(bytes, now);
      driver->OnBytes(bytes, now);
    };
    events.closed = [this, driver](const std::string& why) {
      auto now = static_cast<Millis>(GetTickCount64());
      if (log_.enabled()) LogLeftOut(now);
      log_.Line("rotctld closed: " + why);
      driver->OnClosed(why, now);
    };
    driver->on_dropped = [this](const std::string& why) {
      log_.Line("rotctld link dropped by RotServer: " + why);
    };
    socket_->SetEvents(std::move(events));
    socket_->on_sent = [this](std::string_view bytes) {
      if (log_.enabled()) log_.Line("rotctld > " + toolkit::EscapedText(bytes));
    };
    driver_ = std::move(rotctld);
  } else {
    driver_ = std::make_unique<SimulatedDriver>(SimulatedFor(settings));
  }
  FrontEndConfig config;
  config.offset_deg = settings.offset_deg;
  if (settings.backend == BackendKind::kRotctld)
    config.stale_after_ms = StaleAfterFor(settings.poll_ms);
  config.backend_label = label_;
  front_ = std::make_unique<FrontEnd>(*driver_, config);
}

Backend::Backend(toolkit::LineLog& log, const std::string& why)
    : log_(log), label_(kNoRotatorLabel) {
  driver_ = std::make_unique<UnusableDriver>(why);
  FrontEndConfig config;
  config.backend_label = label_;
  front_ = std::make_unique<FrontEnd>(*driver_, config);
}

Backend::~Backend() {
  // The front end and the driver go before the socket they use; then the supervised rotctld.
  front_.reset();
  driver_.reset();
  socket_.reset();
  supervisor_.reset();
}

void Backend::LogReceived(std::string_view bytes, Millis now) {
  LogLeftOut(now);
  if (log_budget_.Allow(bytes.size(), now)) log_.Line("rotctld < " + toolkit::EscapedText(bytes));
}

void Backend::LogLeftOut(Millis now) {
  if (std::size_t left_out = log_budget_.TakeLeftOut(now))
    log_.Line("rotctld < (" + std::to_string(left_out) +
              " bytes left out of this log: rotctld sent faster than the log takes)");
}

void Backend::Tick(Millis now) {
  if (log_.enabled()) LogLeftOut(now);
  if (supervisor_) supervisor_->Tick(now);
  if (socket_) socket_->Poll();
  front_->Tick(now);  // ticks the driver
}

ViewState Backend::View(Millis now) const {
  ViewState view = front_->View(now);
  view.simulated = socket_ == nullptr;  // only rotctld has a socket
  if (supervisor_ && view.link != LinkState::kConnected) {
    std::string situation = supervisor_->Situation(now);
    if (!situation.empty())
      view.last_error = view.last_error.empty() ? situation : situation + "; " + view.last_error;
  }
  return view;
}

}  // namespace rotserver
