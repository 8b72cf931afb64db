// The one DDEML instance of the process: registers the program's service name, offers the
// server topics and routes every DDE transaction, client side included, through one callback.
// The bridge's component over common/dde, which holds the instance, the handles and every Wine
// compensation (dde/wine_win.h). Its own callback stays here rather than in the common server:
// besides its topic components it serves a topic named after any of the program's forms, and
// its client conversations share the one instance, so that one callback sees both sides.
#pragma once

#include <windows.h>
#include <ddeml.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "dde/instance_win.h"
#include "dde/wine_win.h"

namespace vexal::dde {

class TDdeServerConv;
class TDdeClientConv;

// One open conversation on one of our topics.
struct TDdeSrvrConv {
  DWORD id = 0;       // the conversation's user handle
  std::string topic;  // as the client gave it
  TDdeServerConv* component = nullptr;
  HWND topic_window = nullptr;  // set only when no component matched
  HCONV conv = nullptr;         // 0 once the conversation has ended
};

class TDdeMgr {
 public:
  TDdeMgr();  // throws EDdeError when DDEML cannot be initialised
  ~TDdeMgr();
  TDdeMgr(const TDdeMgr&) = delete;
  TDdeMgr& operator=(const TDdeMgr&) = delete;

  // The one DDE instance of the process, or nullptr outside its lifetime; DDEML's callback
  // finds it here (see Application::Instance).
  static TDdeMgr* Instance();

  DWORD Id() const { return id_; }
  const std::string& ServiceName() const { return service_name_; }
  std::size_t ServerConversationCount() const { return server_convs_.size(); }

  void AddTopicComponent(TDdeServerConv* component);
  void RemoveTopicComponent(TDdeServerConv* component);

  // Client conversations get a small id to store as their DDEML user handle: Wine keeps only
  // 32 bits of it, so a pointer would come back truncated.
  DWORD AddClient(TDdeClientConv* client);
  void RemoveClient(DWORD id);

  // Wine never tells a client that its partner ended the conversation: look at every open
  // client conversation and end those that DDEML no longer reports connected.
  void CheckClients();
  // When to call CheckClients under Wine (see dde/wine_win.h).
  ddeml::PartnerGoneWatch& PartnerGone() { return *partner_gone_; }
  // To be called by the message loop after each message it dispatched.
  void MessageDispatched(const MSG& msg) { partner_gone_->MessageDispatched(msg); }

 private:
  struct UserHandleTarget {
    TDdeSrvrConv* server = nullptr;
    TDdeClientConv* client = nullptr;
  };

  static HDDEDATA CALLBACK InstanceCallback(UINT type, UINT fmt, HCONV conv, HSZ hsz1, HSZ hsz2,
                                            HDDEDATA data, ULONG_PTR data1, ULONG_PTR data2);

  HDDEDATA Dispatch(UINT type, HCONV conv, HSZ hsz1, HSZ hsz2, HDDEDATA data);
  HDDEDATA DispatchConversation(UINT type, HCONV conv, HDDEDATA data);
  bool ConnectTest(HSZ service, HSZ topic);
  HDDEDATA WildConnect(HSZ service, HSZ topic);
  void Confirm(HCONV conv, HSZ topic);
  void Disconnect(TDdeSrvrConv* record);
  HDDEDATA Execute(TDdeSrvrConv& record, HDDEDATA data);

  std::string QueryTopic(HSZ topic) const;
  TDdeServerConv* FindTopicComponent(const std::string& topic) const;
  HWND FindTopicWindow(const std::string& topic) const;
  void DestroyRecord(TDdeSrvrConv* record);
  bool AnyClientOpen() const;

  std::unique_ptr<ddeml::Instance> instance_;
  DWORD id_ = 0;
  std::string service_name_;
  ddeml::StringHandle service_handle_;
  std::vector<std::unique_ptr<TDdeSrvrConv>> server_convs_;
  std::vector<TDdeServerConv*> topic_components_;
  std::map<DWORD, UserHandleTarget> user_handles_;
  DWORD next_user_handle_ = 1;
  bool checking_clients_ = false;
  std::unique_ptr<ddeml::PartnerGoneWatch> partner_gone_;  // exists whenever Instance() is this
};

}  // namespace vexal::dde
