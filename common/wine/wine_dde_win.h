// Two data handles that Windows' DDEML frees and Wine's (Wine 8, dlls/user32/dde_*.c) never
// does, and one queue Wine never empties: after some 65,000 executes a process's DDE stops
// answering. Every program here that speaks DDE (the bridge, RotServer, the tools' DDE helpers)
// makes up for them with these, under Wine only. The bridge's bridge/dde/wine_win.h lists them
// among its Wine compensations, with the tests that show each.
#pragma once

#include <windows.h>
#include <ddeml.h>

namespace winedde {

inline bool RunningOnWine() {
  static const bool wine =
      GetProcAddress(GetModuleHandleA("ntdll.dll"), "wine_get_version") != nullptr;
  return wine;
}

// The data handle of a received execute: Windows frees it once the callback returns, Wine
// never does. Frees it on every way out of the execute callback.
class ReceivedExecuteData {
 public:
  explicit ReceivedExecuteData(HDDEDATA data) : data_(data) {}
  ~ReceivedExecuteData() {
    if (data_ && RunningOnWine()) DdeFreeDataHandle(data_);
  }
  ReceivedExecuteData(const ReceivedExecuteData&) = delete;
  ReceivedExecuteData& operator=(const ReceivedExecuteData&) = delete;

 private:
  HDDEDATA data_;
};

// After DdeClientTransaction has taken `data` for an execute: Windows frees the handle with
// the transaction; Wine copies the text out of it at once and never frees it.
inline void ReleaseSentExecuteData(HDDEDATA data) {
  if (RunningOnWine()) DdeFreeDataHandle(data);
}

// Right after an asynchronous execute that nobody waits for: Wine keeps completed asynchronous
// transactions queued on the conversation, and after one, synchronous transactions time out.
// A waited-for execute must stay queued until its completion arrives, so never after one.
inline void AbandonCompletedExecutes(DWORD instance_id, HCONV conv) {
  DdeAbandonTransaction(instance_id, conv, 0);
}

}  // namespace winedde
