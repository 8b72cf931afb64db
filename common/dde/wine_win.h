// Every compensation for Wine's DDEML (Wine 8: dlls/user32/dde_client.c, dde_server.c,
// dde_misc.c) made by any program here, in one place. The rest of common/dde calls these at the
// points named; nothing outside common/dde needs to know about Wine. Each quirk, what makes up
// for it, and the test that shows it:
//
// 1. A client is never told XTYP_DISCONNECT: when the server ends the conversation (posts
//    WM_DDE_TERMINATE, uninitialises or is killed), Wine only marks it not connected.
//    - ConversationUp reads that mark: the one test of "is the partner still there" for every
//      client (Client::Up, the bridge's link, rotator-sim's status link)
//      (DdeServerHelper.ServerEndsOneConversationTheClientSeesItDownAndFailuresAreReported).
//    - PartnerGoneWatch, for a Server whose instance also holds client conversations (the
//      bridge's), has it look at them
//      a. at the start of every DDE callback: a new server's first status macro shows that the
//         old one is gone (FaultServer.KilledServerEndsTheLinkOnceAndANewServerIsStillShown);
//      b. when DDEML refuses an execute (DdeClient.PartnerTerminateEndsTheLinkWithOneClose);
//      c. right after the message loop dispatched WM_DDE_TERMINATE
//         (Modes/ServerEndsConversation.ReleasesLogger32OnceAndStopsTakingTurns, "terminate");
//      d. every 100 ms for 5 s after XTYP_UNREGISTER, which Wine does deliver, before the
//         partner's terminate (DdeClient.PartnerExitEndsTheLinkWithoutAnyExecute, and
//         ServerEndsConversation with "exit").
// 2. The data handle of every received execute is never freed, and after some 65,000 executes
//    DDE stops answering: ReceivedExecuteData frees it, under Wine only
//    (FaultLoad.SoakSendsEveryTargetOnceInOrderWithFlatMemory).
// 3. The data handle of every sent execute is never freed either: ReleaseSentExecuteData, under
//    Wine only (the same soak: every status macro there makes the bridge send a target).
// 4. Completed asynchronous transactions stay queued on the conversation, and after one the
//    synchronous ones time out: AbandonCompletedExecutes before each new transaction, when the
//    last execute has long been acknowledged. Not right after sending it: its acknowledgement
//    then finds no transaction, and Wine never frees the acknowledgement's 16 bytes (RotServer
//    sends four status macros a second)
//    (DdeClient.ManyAsynchronousExecutesAllArriveInOrder, the soak, and
//    DdeServerHelper.AsynchronousExecutesLeaveNoAcknowledgementBehind).
// 5. A conversation's user handle keeps only 32 bits: SetConversationUserHandle takes a DWORD,
//    so the Server stores small ids there, never pointers
//    (DdeServer.TwoClientsAtOnceAreBothServed and every test with a conversation).
// 6. DdeDisconnect on a server's side of a conversation does nothing ("not implemented"):
//    TerminateFromServer posts WM_DDE_TERMINATE to the client, as DDEML itself would
//    (Server::End; DdeServerHelper.ServerEndsOneConversationTheClientSeesItDownAnd...; and
//    rotator-sim's --end-mode terminate in DdeClient.PartnerTerminateEndsTheLinkWithOneClose).
// 7. A DdeConnect that no server answers leaves its client window behind: one window per try,
//    so a program looking for an absent partner every second fills the desktop's window table
//    within hours (RotServer looking for the bridge grew by a window and its heap blocks every
//    second). ConnectAttempt destroys the client windows a failed connect left
//    (DdeClient.ConnectingToNobodyLeavesNoWindowBehind).
#pragma once

#include <windows.h>
#include <ddeml.h>

#include <functional>
#include <vector>

namespace ddeml {

inline bool RunningOnWine() {
  static const bool wine =
      GetProcAddress(GetModuleHandleA("ntdll.dll"), "wine_get_version") != nullptr;
  return wine;
}

// Quirk 1: true while DDEML still reports the conversation connected.
bool ConversationUp(HCONV conv);

// Quirk 1: ends client conversations whose partner has gone without saying so.
class PartnerGoneWatch {
 public:
  // `check` looks at every open client conversation and ends those ConversationUp no longer
  // reports; `any_open` says whether a client conversation is still open; `report` hears of an
  // exception from a check made on the follow-up timer (what(), or nullptr for one of no
  // std::exception type). One watch per process, living as long as the DDE instance.
  PartnerGoneWatch(std::function<void()> check, std::function<bool()> any_open,
                   std::function<void(const char*)> report);
  ~PartnerGoneWatch();
  PartnerGoneWatch(const PartnerGoneWatch&) = delete;
  PartnerGoneWatch& operator=(const PartnerGoneWatch&) = delete;

  void CallbackStarts() { check_(); }
  // To be called by the message loop after each message it dispatched.
  void MessageDispatched(const MSG& msg);
  // A partner withdrew its service: its terminate follows, so look again for a while.
  void PartnerUnregistered();
  void StopFollowUp();

  // The one watch of the process, or nullptr; the follow-up's timer callback finds it here.
  static PartnerGoneWatch* Instance();

 private:
  static void CALLBACK FollowUpTimer(HWND, UINT, UINT_PTR, DWORD);
  void FollowUp();

  std::function<void()> check_;
  std::function<bool()> any_open_;
  std::function<void(const char*)> report_;
  UINT_PTR timer_ = 0;
  int ticks_left_ = 0;
};

// Quirk 2: the data handle of a received execute; Windows frees it once the callback returns.
// Frees it on every way out of the execute callback.
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

// Quirk 3: after DdeClientTransaction has taken `data` for an execute. Windows frees the
// handle with the transaction; Wine copies the text out of it at once and never frees it.
inline void ReleaseSentExecuteData(HDDEDATA data) {
  if (RunningOnWine()) DdeFreeDataHandle(data);
}

// Quirk 4: before a transaction on a conversation whose executes nobody waits for.
inline void AbandonCompletedExecutes(DWORD instance_id, HCONV conv) {
  DdeAbandonTransaction(instance_id, conv, 0);
}

// Quirk 7: made just before DdeConnect on the thread that calls it; Failed() after a connect
// that returned no conversation destroys the DDEML client windows this thread gained since.
class ConnectAttempt {
 public:
  ConnectAttempt();
  void Failed();

 private:
  std::vector<HWND> before_;
  bool known_ = false;  // before_ is complete (and the program runs on Wine)
};

// Quirk 6: ends a conversation from the server's side; false when DDEML no longer knows it.
bool TerminateFromServer(HCONV conv);

}  // namespace ddeml
