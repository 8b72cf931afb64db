// Application-wide message events for components: the multicaster holds the application's
// one OnMessage slot and hands each message to every registered TApplicationEvents, the last
// registered first, all with the same handled flag.
#pragma once

#include <windows.h>

#include <functional>
#include <vector>

#include "bridge/base/application_win.h"

namespace vexal {

class TApplicationEvents;

class TMultiCaster {
 public:
  explicit TMultiCaster(Application& app);  // attaches to the application's OnMessage
  ~TMultiCaster();                          // detaches
  TMultiCaster(const TMultiCaster&) = delete;
  TMultiCaster& operator=(const TMultiCaster&) = delete;

  void Add(TApplicationEvents* events);
  void Remove(TApplicationEvents* events);
  void DoMessage(const MSG& msg, bool& handled);

 private:
  Application& app_;
  std::vector<TApplicationEvents*> events_;
};

class TApplicationEvents {
 public:
  explicit TApplicationEvents(TMultiCaster& caster);  // registers
  ~TApplicationEvents();                              // leaves
  TApplicationEvents(const TApplicationEvents&) = delete;
  TApplicationEvents& operator=(const TApplicationEvents&) = delete;

  std::function<void(const MSG& msg, bool& handled)> OnMessage;

 private:
  TMultiCaster& caster_;
};

}  // namespace vexal
