#include "execute_bench_win.h"

#include <memory>
#include <string>
#include <stdexcept>

#include "workload_win.h"

namespace bench {

namespace {

// One conversation under measurement, reconnected after an unanswered execute.
class Measured {
 public:
  Measured(const ExecuteTarget& target, const ExecuteSettings& settings)
      : target_(target), settings_(settings), client_(target.service, target.topic) {
    result_.micros.reserve(settings.count);
    Connect();
  }

  void ExecuteOnce(long i, bool measured, const Timer& timer) {
    std::string macro = settings_.turning ? TurningStatusMacro(i) : ConstantStatusMacro();
    LONGLONG start = timer.Now();
    Answer answer = ExecuteMacro(client_, macro, settings_.timeout_ms);
    LONGLONG end = timer.Now();
    if (answer == Answer::kNone) {
      UINT error = client_.LastError();
      if (measured) ++result_.failed;
      if (++consecutive_failures_ >= 3)
        throw std::runtime_error("executes on DDE service '" + target_.service +
                                 "' keep failing (" + ErrorName(error) + ")");
      // A late answer would be credited to the next execute: start a fresh conversation.
      Connect();
      return;
    }
    consecutive_failures_ = 0;
    if (!measured) return;
    result_.micros.push_back(timer.Micros(start, end));
    if (answer == Answer::kNack) ++result_.non_fack;
  }

  const ExecuteResult& result() const { return result_; }

 private:
  void Connect() {
    if (!client_.Connect(settings_.connect_ms))
      throw std::runtime_error("cannot connect to DDE service '" + target_.service + "' topic '" +
                               target_.topic + "' (" + ErrorName(client_.LastError()) + ")");
  }

  ExecuteTarget target_;
  const ExecuteSettings& settings_;
  Client client_;
  ExecuteResult result_;
  int consecutive_failures_ = 0;
};

}  // namespace

std::vector<ExecuteResult> RunExecuteBench(const std::vector<ExecuteTarget>& targets,
                                           const ExecuteSettings& settings) {
  std::vector<std::unique_ptr<Measured>> measured;
  for (const ExecuteTarget& target : targets)
    measured.push_back(std::make_unique<Measured>(target, settings));
  Timer timer;
  const int total = settings.warmup + settings.count;
  for (int first = 0; first < total; first += settings.block)
    for (auto& m : measured)
      for (int i = first; i < total && i < first + settings.block; ++i)
        m->ExecuteOnce(i, i >= settings.warmup, timer);
  std::vector<ExecuteResult> results;
  for (auto& m : measured) results.push_back(m->result());
  return results;
}

}  // namespace bench
