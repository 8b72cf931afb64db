// A DDE client that asks the bridge's "AntDaten" for more than executes: requests, pokes and
// advise loops are refused, change nothing, and leave the conversation working.
#include <gtest/gtest.h>

#include <windows.h>

#include <memory>
#include <string>

#include "harness.h"
#include "logger_bridge.h"
#include "dde/client_win.h"
#include "bridge/window/widget_ids.h"

namespace {

constexpr DWORD kTimeoutMs = 5000;

// One client conversation on the bridge's service and topic; synchronous transactions only.
class AntDatenClient {
 public:
  AntDatenClient() : dde_("Logger32Vexal", "AntDaten") { dde_.Connect(); }

  bool Connected() const { return dde_.conv() != nullptr; }

  // What came back: a result handle or not, the acknowledgement's status word and the error
  // DDEML recorded.
  struct Outcome {
    bool answered = false;
    DWORD status = 0;
    UINT error = 0;
    // The server said no. Windows returns no handle; Wine returns TRUE for every acknowledged
    // poke and gives the server's answer only in the status word.
    bool Refused() const { return !answered || (status & DDE_FACK) == 0; }
  };
  Outcome Transact(UINT type, const std::string& data = "") {
    std::string bytes = data.empty() ? std::string() : data + '\0';
    ddeml::Client::Reply reply = dde_.Transact(type, "Azimut", bytes, kTimeoutMs);
    return {reply.returned, reply.status, reply.error};
  }
  Outcome Request() { return Transact(XTYP_REQUEST); }
  Outcome Poke(const std::string& data) { return Transact(XTYP_POKE, data); }
  Outcome AdviseStart() { return Transact(XTYP_ADVSTART); }
  Outcome Execute(const std::string& data) {
    ddeml::Client::Answer answer = dde_.Execute(data + '\0', kTimeoutMs);
    return {answer.returned, answer.status, answer.error};
  }

 private:
  ddeml::Client dde_;
};

const char kStatus1234Left[] = "1234\r\n0\r\n-1\r\n0\r\n0\r\n0\r\n0\r\n0\r\n0\r\n1\r\n";

class DdeRefusal : public logger_test::ShownBridgeTest {
 protected:
  std::string Shown() const { return bridge_->Text(vexal::kIdIstAzimut); }
};

TEST_F(DdeRefusal, RequestPokeAndAdviseStartAreRefusedAndChangeNothing) {
  AntDatenClient client;
  ASSERT_TRUE(client.Connected());

  auto request = client.Request();
  EXPECT_FALSE(request.answered) << "a request got data";
  EXPECT_EQ(request.error, static_cast<UINT>(DMLERR_NOTPROCESSED));

  // A status macro poked instead of executed is not taken.
  auto poke = client.Poke(kStatus1234Left);
  EXPECT_TRUE(poke.Refused()) << "a poke was accepted, status 0x" << std::hex << poke.status;

  auto advise = client.AdviseStart();
  EXPECT_FALSE(advise.answered) << "an advise loop was started";
  EXPECT_EQ(advise.error, static_cast<UINT>(DMLERR_NOTPROCESSED));

  // Marker: an empty execute re-shows the stored azimuth, which the poke did not change. The
  // execute is answered only after the bridge has handled it.
  ASSERT_TRUE(client.Execute("\r\n").answered);
  EXPECT_EQ(Shown(), "0");

  // The same conversation still carries status macros.
  ASSERT_TRUE(client.Execute(kStatus1234Left).answered);
  EXPECT_EQ(Shown(), "123");
  EXPECT_FALSE(client.Request().answered);
  EXPECT_TRUE(bridge_->process().Running());
}

}  // namespace
