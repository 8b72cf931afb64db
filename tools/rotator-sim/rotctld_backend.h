// The rotator server for a real rotator: takes the bridge's target commands to Hamlib's
// rotctld and reports rotctld's position to the bridge as status macros on "AntDaten".
#pragma once

#include <windows.h>

#include <deque>
#include <optional>
#include <string>
#include <string_view>

#include "options.h"
#include "rotctld_connection.h"
#include "rotctld_mapping.h"
#include "server_mode.h"
#include "sim_log.h"
#include "status_link.h"

namespace rotsim {

class RotctldBackend : public CommandSink {
 public:
  RotctldBackend(const Options& options, SimLog& log);
  ~RotctldBackend() override;

  void Start();  // polls rotctld and reports on this thread's message loop
  void Command(std::string_view bytes) override;

 private:
  struct Request {
    std::string text;
    ReplyKind kind;
    DWORD sent_at;
  };

  static void CALLBACK TickProc(HWND, UINT, UINT_PTR, DWORD);
  void Tick();
  void Connect(DWORD now);
  void TakeReplies();
  void HandleReply(const Request& request, const std::vector<std::string>& lines);
  void Ask(const std::string& text, ReplyKind kind);
  void LinkLost(const std::string& why);
  void SendStatus();
  bool Ready() const;

  const Options& options_;
  SimLog& log_;
  Endpoint endpoint_;
  RotctldConnection rotctld_;
  StatusLink status_;
  UINT_PTR timer_ = 0;
  DWORD period_ms_;

  DWORD connect_started_ = 0;
  DWORD next_attempt_ = 0;
  unsigned failures_ = 0;
  std::deque<Request> requests_;
  std::optional<AzimuthLimits> limits_;
  int range_mode_ = 0;  // the last one known, kept while rotctld is away
  std::optional<Position> position_;
  std::optional<std::string> last_position_reply_;
  std::deque<int> recent_tenths_;
  DirectionTracker direction_;
  std::string last_status_;
};

}  // namespace rotsim
