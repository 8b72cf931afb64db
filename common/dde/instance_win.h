// The pieces every DDE speaker here builds on: one DDEML instance, string handles, the bytes of
// a received execute, and the client side's calls on one conversation (connect, asynchronous
// and synchronous executes, other transactions). They carry Wine's compensations
// (dde/wine_win.h) at the points where they are needed, so their callers need not know them.
#pragma once

#include <windows.h>
#include <ddeml.h>

#include <string>
#include <string_view>
#include <utility>

namespace ddeml {

// Two DDE names (a topic, a window's caption) alike, letter case ignored as DDE ignores it.
bool SameName(const std::string& a, const std::string& b);

// DDEML's error codes in words, for messages: "server died", "DDEML error 0x4009".
std::string ErrorName(UINT code);

// One DDEML instance, uninitialised when the object goes. DDEML's callback carries no pointer
// to an object, so the owner's static callback finds its object by a pointer of its own.
class Instance {
 public:
  // `callback` nullptr: a client-only instance whose callback does nothing (the flags should
  // then include APPCMD_CLIENTONLY). error() tells whether it worked.
  Instance(PFNCALLBACK callback, DWORD flags);
  ~Instance();
  Instance(const Instance&) = delete;
  Instance& operator=(const Instance&) = delete;

  DWORD id() const { return id_; }
  // DMLERR_NO_ERROR, or why DdeInitialize failed (DdeGetLastError where it says more).
  UINT error() const { return error_; }
  UINT LastError() const { return id_ ? DdeGetLastError(id_) : DMLERR_DLL_NOT_INITIALIZED; }

  // Offers or withdraws a service name of this instance.
  bool RegisterService(HSZ service);
  void WithdrawService(HSZ service);

  // The text of a string handle, at most 255 characters; empty for none.
  std::string Text(HSZ hsz) const;

  // The answer to XTYP_WILDCONNECT: the one service-topic pair offered.
  HDDEDATA WildConnectAnswer(HSZ service, HSZ topic) const;

 private:
  DWORD id_ = 0;
  UINT error_ = DMLERR_NO_ERROR;
};

// A string handle of an instance, freed with the object. Names over 255 characters cannot be
// made: the handle is then null.
class StringHandle {
 public:
  StringHandle() = default;
  StringHandle(DWORD instance_id, const std::string& text);
  ~StringHandle() { Reset(); }
  StringHandle(const StringHandle&) = delete;
  StringHandle& operator=(const StringHandle&) = delete;
  StringHandle(StringHandle&& other) noexcept { *this = std::move(other); }
  StringHandle& operator=(StringHandle&& other) noexcept;

  HSZ get() const { return hsz_; }
  explicit operator bool() const { return hsz_ != nullptr; }
  // Frees the handle; with the instance already uninitialised, only forgets it.
  void Reset();
  void Forget() { hsz_ = nullptr; }
  // True when `other` names the same string, letter case ignored; a null `other` matches none.
  bool Matches(HSZ other) const { return hsz_ && other && DdeCmpStringHandles(other, hsz_) == 0; }

 private:
  DWORD instance_ = 0;
  HSZ hsz_ = nullptr;
};

// The bytes of a received execute, within the size DDEML reports (no terminating zero added),
// given back to DDEML however the reader leaves. Frees the data handle under Wine afterwards.
class ReceivedExecute {
 public:
  explicit ReceivedExecute(HDDEDATA data);
  ~ReceivedExecute();
  ReceivedExecute(const ReceivedExecute&) = delete;
  ReceivedExecute& operator=(const ReceivedExecute&) = delete;

  bool readable() const { return bytes_ != nullptr; }
  std::string_view bytes() const;
  // Hands the bytes back to DDEML before the handler runs (the view becomes invalid).
  void Release();

 private:
  HDDEDATA data_;
  DWORD size_ = 0;
  const BYTE* bytes_;
};

// The client side of one conversation. Null results mean DDEML refused.
HCONV Connect(DWORD instance_id, HSZ service, HSZ topic, const CONVCONTEXT* context);
// The conversation's data format (CF_TEXT when it names none).
UINT ConversationFormat(HCONV conv);
bool SetConversationUserHandle(HCONV conv, DWORD handle);
// DWORD: Wine keeps only 32 bits of it. False in *known when DDEML no longer knows the conv.
DWORD ConversationUserHandle(HCONV conv, bool* known);
// The names the partner answered with (a wild connect learns them here).
HSZ PartnerService(HCONV conv);
HSZ PartnerTopic(HCONV conv);

// Executes exactly `bytes` without waiting for the answer, through a data handle (an
// asynchronous transaction may outlive the caller's bytes), and abandons the queued
// transaction at once. Never mix with synchronous transactions on one conversation.
bool ExecuteAsync(DWORD instance_id, HCONV conv, std::string_view bytes, UINT format);

struct Reply {
  bool returned = false;  // DdeClientTransaction gave a result (data, or TRUE)
  DWORD status = 0;       // the acknowledgement's status word (DDE_FACK, DDE_FBUSY)
  std::string data;       // a request's data, as many bytes as the server gave
};
// A synchronous transaction of `type` on `item` (nullptr for an execute) with `data` sent
// exactly (none when empty).
Reply Transact(HCONV conv, UINT type, HSZ item, std::string_view data, UINT format,
               DWORD timeout_ms);

}  // namespace ddeml
