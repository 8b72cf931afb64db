// Every compensation the bridge makes for Wine's DDEML (Wine 8: dlls/user32/dde_client.c,
// dde_server.c, dde_misc.c). The DDE classes call these at the points named; nothing outside
// bridge/dde knows about Wine. Each quirk, what makes up for it, and the test that shows it:
//
// 1. A client is never told XTYP_DISCONNECT: when the server ends the conversation (posts
//    WM_DDE_TERMINATE, uninitialises or is killed), Wine only marks it not connected.
//    PartnerGoneWatch has the DDE instance look at its client conversations
//    a. at the start of every DDE callback: a new server's first status macro shows that the
//       old one is gone (FaultServer.KilledServerEndsTheLinkOnceAndANewServerIsStillShown);
//    b. when DDEML refuses an execute (DdeClient.PartnerTerminateEndsTheLinkWithOneClose);
//    c. right after the message loop dispatched WM_DDE_TERMINATE, through the loop's neutral
//       OnDispatched hook (Modes/ServerEndsConversation.ReleasesLogger32OnceAndStopsTakingTurns
//       with "terminate");
//    d. every 100 ms for 5 s after XTYP_UNREGISTER, which Wine does deliver, before the
//       partner's terminate (DdeClient.PartnerExitEndsTheLinkWithoutAnyExecute, and
//       ServerEndsConversation with "exit"). docs/wine.md describes this follow-up.
// 2. The data handle of every received execute is never freed, and after some 65,000 executes
//    DDE stops answering: ReceivedExecuteData frees it, under Wine only
//    (FaultLoad.SoakSendsEveryTargetOnceInOrderWithFlatMemory).
// 3. The data handle of every sent execute is never freed either: ReleaseSentExecuteData, under
//    Wine only (the same soak: every status macro there makes the bridge send a target).
// 4. Completed asynchronous transactions stay queued on the conversation, and after one the
//    synchronous ones time out: AbandonCompletedExecutes right after each execute nobody waits
//    for (DdeClient.ManyAsynchronousExecutesAllArriveInOrder, and the soak).
// 5. A conversation's user handle keeps only 32 bits: TDdeMgr stores small ids there, never
//    pointers (DdeServer.TwoClientsAtOnceAreBothServed and every test with a conversation).
#pragma once

#include <windows.h>
#include <ddeml.h>

#include <functional>

#include "wine/wine_dde_win.h"

namespace vexal::dde {

using winedde::RunningOnWine;

// Quirk 1: ends client conversations whose partner has gone without saying so.
class PartnerGoneWatch {
 public:
  // `check` looks at every open client conversation and ends those DDEML no longer reports
  // connected; `any_open` says whether a client conversation is still open. One watch per
  // process, living as long as the DDE instance.
  PartnerGoneWatch(std::function<void()> check, std::function<bool()> any_open);
  ~PartnerGoneWatch();
  PartnerGoneWatch(const PartnerGoneWatch&) = delete;
  PartnerGoneWatch& operator=(const PartnerGoneWatch&) = delete;

  void CallbackStarts() { check_(); }
  void ExecuteRefused() { check_(); }
  void MessageDispatched(const MSG& msg);
  // A partner withdrew its service: its terminate follows, so look again for a while.
  void PartnerUnregistered();
  void StopFollowUp();

  // The one watch of the process, or nullptr; the follow-up's timer callback finds it here
  // (see Application::Instance).
  static PartnerGoneWatch* Instance();

 private:
  static void CALLBACK FollowUpTimer(HWND, UINT, UINT_PTR, DWORD);
  void FollowUp();

  std::function<void()> check_;
  std::function<bool()> any_open_;
  UINT_PTR timer_ = 0;
  int ticks_left_ = 0;
};

// Quirks 2 to 4 hit RotServer and the test partners alike, so their remedies are shared
// (common/wine):
// Quirk 2: frees a received execute's data handle on every way out of the execute callback.
using winedde::ReceivedExecuteData;
// Quirk 3: after DdeClientTransaction has taken `data` for an execute.
using winedde::ReleaseSentExecuteData;
// Quirk 4: right after an asynchronous execute that nobody waits for.
using winedde::AbandonCompletedExecutes;

}  // namespace vexal::dde
