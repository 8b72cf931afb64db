#include "bridge/base/app_events_win.h"

#include <algorithm>

namespace vexal {

TMultiCaster::TMultiCaster(Application& app) : app_(app) {
  app_.SetOnMessage([this](const MSG& msg, bool& handled) { DoMessage(msg, handled); });
}

TMultiCaster::~TMultiCaster() {
  app_.ClearOnMessage();
}

void TMultiCaster::Add(TApplicationEvents* events) {
  events_.push_back(events);
}

void TMultiCaster::Remove(TApplicationEvents* events) {
  events_.erase(std::remove(events_.begin(), events_.end(), events), events_.end());
}

void TMultiCaster::DoMessage(const MSG& msg, bool& handled) {
  // A copy: a handler may destroy a component, which leaves the list.
  std::vector<TApplicationEvents*> events = events_;
  for (auto it = events.rbegin(); it != events.rend(); ++it) {
    if (std::find(events_.begin(), events_.end(), *it) == events_.end()) continue;
    if ((*it)->OnMessage) (*it)->OnMessage(msg, handled);
  }
}

TApplicationEvents::TApplicationEvents(TMultiCaster& caster) : caster_(caster) {
  caster_.Add(this);
}

TApplicationEvents::~TApplicationEvents() {
  caster_.Remove(this);
}

}  // namespace vexal
