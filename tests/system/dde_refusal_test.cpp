// A DDE client that asks the bridge's "AntDaten" for more than executes: requests, pokes and
// advise loops are refused, change nothing, and leave the conversation working.
#include <gtest/gtest.h>

#include <windows.h>
#include <ddeml.h>

#include <memory>
#include <string>

#include "harness.h"
#include "logger_bridge.h"
#include "window/widget_ids.h"

using namespace std::chrono_literals;

namespace {

constexpr DWORD kTimeoutMs = 5000;

HDDEDATA CALLBACK NoCallback(UINT, UINT, HCONV, HSZ, HSZ, HDDEDATA, ULONG_PTR, ULONG_PTR) {
  return nullptr;
}

// One client conversation on the bridge's service and topic; synchronous transactions only.
class AntDatenClient {
 public:
  AntDatenClient() {
    if (DdeInitializeA(&inst_, &NoCallback, APPCMD_CLIENTONLY, 0) != DMLERR_NO_ERROR) return;
    HSZ service = DdeCreateStringHandleA(inst_, "Logger32Vexal", CP_WINANSI);
    HSZ topic = DdeCreateStringHandleA(inst_, "AntDaten", CP_WINANSI);
    item_ = DdeCreateStringHandleA(inst_, "Azimut", CP_WINANSI);
    conv_ = DdeConnect(inst_, service, topic, nullptr);
    DdeFreeStringHandle(inst_, service);
    DdeFreeStringHandle(inst_, topic);
  }
  ~AntDatenClient() {
    if (conv_) DdeDisconnect(conv_);
    if (item_) DdeFreeStringHandle(inst_, item_);
    if (inst_) DdeUninitialize(inst_);
  }
  AntDatenClient(const AntDatenClient&) = delete;
  AntDatenClient& operator=(const AntDatenClient&) = delete;

  bool Connected() const { return conv_ != nullptr; }

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
  Outcome Transact(UINT type, const std::string& data = "", HSZ item = nullptr) {
    DdeGetLastError(inst_);  // clear
    std::string bytes = data.empty() ? std::string() : data + '\0';
    DWORD status = 0;
    HDDEDATA result = DdeClientTransaction(
        bytes.empty() ? nullptr : reinterpret_cast<LPBYTE>(bytes.data()),
        static_cast<DWORD>(bytes.size()), conv_, item, CF_TEXT, type, kTimeoutMs, &status);
    Outcome outcome{result != nullptr, status, DdeGetLastError(inst_)};
    if (result && type == XTYP_REQUEST) DdeFreeDataHandle(result);
    return outcome;
  }
  Outcome Request() { return Transact(XTYP_REQUEST, "", item_); }
  Outcome Poke(const std::string& data) { return Transact(XTYP_POKE, data, item_); }
  Outcome AdviseStart() { return Transact(XTYP_ADVSTART, "", item_); }
  Outcome Execute(const std::string& data) { return Transact(XTYP_EXECUTE, data); }

 private:
  DWORD inst_ = 0;
  HCONV conv_ = nullptr;
  HSZ item_ = nullptr;
};

const char kStatus1234Left[] = "1234\r\n0\r\n-1\r\n0\r\n0\r\n0\r\n0\r\n0\r\n0\r\n1\r\n";

class DdeRefusal : public ::testing::Test {
 protected:
  void SetUp() override {
    harness::DeleteVexalKey();
    bridge_ = std::make_unique<logger_test::BridgeUnderTest>(job_);
    window_ = bridge_->WaitShown(30s);
    ASSERT_NE(window_, nullptr);
  }
  std::string Shown() const { return bridge_->Text(vexal::kIdIstAzimut); }

  harness::Job job_;
  std::unique_ptr<logger_test::BridgeUnderTest> bridge_;
  HWND window_ = nullptr;
};

}  // namespace

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
