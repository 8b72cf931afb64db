// The Logger32 handshake and release against a scripted partner on a virtual clock: the
// partner answers what it is sent by queueing replies, reads of an empty queue time out.
#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "bridge/logger/logger_link.h"

namespace vexal {
namespace {

constexpr std::uintptr_t kLoggerWindow = 0x4711;
constexpr std::int32_t kMainWindow = 0x20a3e;
constexpr int kReadTimeout = 2000;

struct Sent {
  std::uintptr_t wnd;
  std::uint32_t msg;
  std::uint32_t code;
  std::int32_t lparam;
  long at_ms;
};

class FakeLogger : public LoggerPort {
 public:
  std::uintptr_t window = kLoggerWindow;
  std::function<void(FakeLogger&, const Sent&)> partner;  // reacts to each send

  std::vector<std::string> names;  // in registration order
  std::vector<Sent> sent;
  std::deque<LoggerReply> queue;
  std::map<LoggerLabel, std::vector<std::string>> labels;  // every text set, in order
  long clock_ms = 0;
  long paused_ms = 0;
  int reads = 0;
  int timed_out_reads = 0;
  std::vector<long> removals_at;

  static std::uint32_t IdOf(int attempt) { return 0xC100 + static_cast<std::uint32_t>(attempt); }
  void Post(std::uint32_t code, std::int32_t lparam, std::uint32_t msg = 0xC0FF) {
    queue.push_back({msg, code, lparam});
  }
  std::vector<std::uint32_t> Codes() const {
    std::vector<std::uint32_t> codes;
    for (const Sent& s : sent) codes.push_back(s.code);
    return codes;
  }
  std::string Last(LoggerLabel label) const {
    auto it = labels.find(label);
    return it == labels.end() ? "" : it->second.back();
  }
  bool Touched(LoggerLabel label) const { return labels.count(label) != 0; }

  std::uintptr_t FindLogger() override { return window; }
  std::uint32_t RegisterMessage(const std::string& name) override {
    names.push_back(name);
    return IdOf(name.back() - '0');
  }
  void Send(std::uintptr_t wnd, std::uint32_t msg, std::uint32_t wparam,
            std::int32_t lparam) override {
    sent.push_back({wnd, msg, wparam, lparam, clock_ms});
    if (partner) partner(*this, sent.back());
  }
  std::optional<LoggerReply> ReadNext() override {
    ++reads;
    if (queue.empty()) {
      ++timed_out_reads;
      clock_ms += kReadTimeout;
      return std::nullopt;
    }
    LoggerReply reply = queue.front();
    queue.pop_front();
    return reply;
  }
  void RemoveOne() override {
    removals_at.push_back(clock_ms);
    if (!queue.empty()) queue.pop_front();
  }
  void Pause(int ms) override {
    clock_ms += ms;
    paused_ms += ms;
  }
  void SetLabel(LoggerLabel label, const std::string& text) override {
    labels[label].push_back(text);
  }
  std::int32_t MainWindow() override { return kMainWindow; }
};

// A partner that accepts the names from `first_free` on and confirms at once.
auto AcceptingFrom(int first_free) {
  return [first_free](FakeLogger& f, const Sent& s) {
    if (s.code == 1) {
      if (s.msg >= FakeLogger::IdOf(first_free))
        f.Post(0, 1);
      else
        f.Post(0, 0);
    }
    if (s.code == 3) {
      f.Post(3, 0);
      f.Post(100, 0);
    }
  };
}

class Handshake : public ::testing::Test {
 protected:
  void SetUp() override {
    LoggerWnd = 0;
    LoggerMsg = 0;
    LoggerConnected = false;
  }
  FakeLogger logger;
};

TEST_F(Handshake, NoLoggerWindowReportsNotFoundAndSendsNothing) {
  logger.window = 0;
  EXPECT_FALSE(ConnectLogger(logger));
  EXPECT_EQ(logger.Last(LoggerLabel::Status), "Logger32 not found");
  EXPECT_EQ(logger.Last(LoggerLabel::Version), "qx0zz 20080401");
  EXPECT_FALSE(logger.Touched(LoggerLabel::Attempt));
  EXPECT_TRUE(logger.names.empty());
  EXPECT_TRUE(logger.sent.empty());
  EXPECT_EQ(logger.paused_ms, 2000);
  EXPECT_EQ(LoggerMsg, 0u);
  EXPECT_FALSE(LoggerConnected);
}

TEST_F(Handshake, ConnectsAtFirstAttemptWithCodesOneTwoThree) {
  logger.partner = AcceptingFrom(1);
  EXPECT_TRUE(ConnectLogger(logger));
  EXPECT_TRUE(LoggerConnected);
  EXPECT_EQ(LoggerWnd, kLoggerWindow);
  EXPECT_EQ(LoggerMsg, FakeLogger::IdOf(1));
  EXPECT_EQ(logger.Codes(), (std::vector<std::uint32_t>{1, 2, 3}));
  for (const Sent& s : logger.sent) {
    EXPECT_EQ(s.wnd, kLoggerWindow);
    EXPECT_EQ(s.msg, FakeLogger::IdOf(1));
  }
  EXPECT_EQ(logger.sent[0].lparam, kMainWindow);  // where replies are to be posted
  EXPECT_EQ(logger.sent[1].lparam, 0);
  EXPECT_EQ(logger.names, (std::vector<std::string>{"Logger32 1"}));
  EXPECT_EQ(logger.Last(LoggerLabel::Attempt), "1");
  EXPECT_EQ(logger.Last(LoggerLabel::Status), "Logger32 connected");
  EXPECT_EQ(logger.Last(LoggerLabel::Version), "qx0zz 20080401");
  EXPECT_EQ(logger.paused_ms, 500);
  // Each step waits its pause: request after 100 ms, code 2 after the reply, code 3 after 2.
  EXPECT_EQ(logger.sent[0].at_ms, 100);
  EXPECT_EQ(logger.sent[1].at_ms, 200);
  EXPECT_EQ(logger.sent[2].at_ms, 300);
}

TEST_F(Handshake, FirstReplyIsAcceptedWhateverItsMessageId) {
  logger.partner = [](FakeLogger& f, const Sent& s) {
    if (s.code == 1) f.Post(0, 1, /*msg=*/0x0001);
    if (s.code == 3) {
      f.Post(3, 0, 0x1234);
      f.Post(100, 0, 0x1);
    }
  };
  EXPECT_TRUE(ConnectLogger(logger));
  EXPECT_EQ(logger.names.size(), 1u);
}

TEST_F(Handshake, LaterNameIsTriedAfterRefusedFirstReplies) {
  logger.partner = AcceptingFrom(3);
  EXPECT_TRUE(ConnectLogger(logger));
  EXPECT_EQ(logger.Codes(), (std::vector<std::uint32_t>{1, 1, 1, 2, 3}));
  EXPECT_EQ(logger.Last(LoggerLabel::Attempt), "3");
  EXPECT_EQ(logger.labels[LoggerLabel::Attempt], (std::vector<std::string>{"1", "2", "3"}));
  EXPECT_EQ(LoggerMsg, FakeLogger::IdOf(3));
  EXPECT_EQ(logger.sent[0].msg, FakeLogger::IdOf(1));
  EXPECT_EQ(logger.sent[1].msg, FakeLogger::IdOf(2));
}

TEST_F(Handshake, ReplyHundredBeforeThreeResendsTwoWithoutCounting) {
  // More 100s than the ten counted reads: none of them may count.
  logger.partner = [](FakeLogger& f, const Sent& s) {
    if (s.code == 1) f.Post(0, 1);
    if (s.code == 3) {
      for (int i = 0; i < 14; ++i) f.Post(100, 0);
      f.Post(3, 0);
      f.Post(100, 0);
    }
  };
  EXPECT_TRUE(ConnectLogger(logger));
  std::vector<std::uint32_t> expected{1, 2, 3};
  expected.insert(expected.end(), 14, 2);
  EXPECT_EQ(logger.Codes(), expected);
  EXPECT_EQ(logger.paused_ms, 500 + 14 * 100);
  EXPECT_EQ(logger.timed_out_reads, 0);
}

TEST_F(Handshake, ThreeThenOtherRepliesSucceedsAtTheTenthCountedRead) {
  logger.partner = [](FakeLogger& f, const Sent& s) {
    if (s.code == 1) f.Post(0, 1);
    if (s.code == 3) {
      f.Post(3, 0);
      for (int i = 0; i < 20; ++i) f.Post(7, 0);
    }
  };
  EXPECT_TRUE(ConnectLogger(logger));
  EXPECT_EQ(logger.reads, 1 + 10);
  EXPECT_EQ(logger.queue.size(), 11u);  // the reply phase stopped reading at ten
  EXPECT_EQ(logger.Codes(), (std::vector<std::uint32_t>{1, 2, 3}));
  EXPECT_EQ(logger.Last(LoggerLabel::Status), "Logger32 connected");
}

TEST_F(Handshake, TenRepliesWithoutThreeSendCodeFourOnceAndTryNoLaterName) {
  // Name 1 refused, name 2 accepted, then only sevens.
  logger.partner = [](FakeLogger& f, const Sent& s) {
    if (s.code == 1) f.Post(0, s.msg == FakeLogger::IdOf(2) ? 1 : 0);
    if (s.code == 3)
      for (int i = 0; i < 10; ++i) f.Post(7, 0);
  };
  EXPECT_FALSE(ConnectLogger(logger));
  EXPECT_EQ(logger.Codes(), (std::vector<std::uint32_t>{1, 1, 2, 3, 4}));
  EXPECT_EQ(logger.sent.back().msg, FakeLogger::IdOf(2));
  EXPECT_EQ(logger.names.size(), 2u);
  EXPECT_EQ(LoggerMsg, FakeLogger::IdOf(2));
  EXPECT_EQ(logger.Last(LoggerLabel::Attempt), "2");
  EXPECT_EQ(logger.Last(LoggerLabel::Status), "no free Logger32-Window");
  EXPECT_FALSE(LoggerConnected);
  // Name 1: 200; name 2: 200 + 200 (after 2 and 3); no pause after code 4; then 2000.
  EXPECT_EQ(logger.paused_ms, 200 + 400 + 2000);
}

TEST_F(Handshake, FiveRefusedNamesGetOnlyCodeOneEach) {
  struct Refusal {
    std::uint32_t wparam;
    std::int32_t lparam;
  };
  for (Refusal refusal : {Refusal{0, 0}, Refusal{1, 1}, Refusal{0, -1}, Refusal{100, 1}}) {
    SCOPED_TRACE(testing::Message() << "refusal " << refusal.wparam << "," << refusal.lparam);
    SetUp();
    FakeLogger f;
    f.partner = [refusal](FakeLogger& p, const Sent& s) {
      if (s.code == 1) p.Post(refusal.wparam, refusal.lparam);
    };
    EXPECT_FALSE(ConnectLogger(f));
    EXPECT_EQ(f.Codes(), (std::vector<std::uint32_t>{1, 1, 1, 1, 1}));
    for (int k = 1; k <= 5; ++k) EXPECT_EQ(f.sent[k - 1].msg, FakeLogger::IdOf(k));
    EXPECT_EQ(f.names.back(), "Logger32 5");
    EXPECT_EQ(LoggerMsg, FakeLogger::IdOf(5));
    EXPECT_EQ(f.Last(LoggerLabel::Attempt), "5");
    EXPECT_EQ(f.Last(LoggerLabel::Status), "no free Logger32-Window");
    EXPECT_EQ(f.paused_ms, 3000);
  }
}

TEST_F(Handshake, SilentPartnerEndsAfterBoundedReads) {
  // Never answers: one timed-out read per name.
  EXPECT_FALSE(ConnectLogger(logger));
  EXPECT_EQ(logger.reads, 5);
  EXPECT_EQ(logger.Codes(), (std::vector<std::uint32_t>{1, 1, 1, 1, 1}));
  EXPECT_EQ(logger.clock_ms, 5 * (200 + kReadTimeout) + 2000);

  // Accepts, then falls silent: ten timed-out reads count, then code 4.
  SetUp();
  FakeLogger quiet_later;
  quiet_later.partner = [](FakeLogger& f, const Sent& s) {
    if (s.code == 1) f.Post(0, 1);
  };
  EXPECT_FALSE(ConnectLogger(quiet_later));
  EXPECT_EQ(quiet_later.timed_out_reads, 10);
  EXPECT_EQ(quiet_later.Codes(), (std::vector<std::uint32_t>{1, 2, 3, 4}));
  EXPECT_EQ(quiet_later.Last(LoggerLabel::Status), "no free Logger32-Window");
}

TEST_F(Handshake, SilenceAfterThreeStillSucceeds) {
  logger.partner = [](FakeLogger& f, const Sent& s) {
    if (s.code == 1) f.Post(0, 1);
    if (s.code == 3) f.Post(3, 0);
  };
  EXPECT_TRUE(ConnectLogger(logger));
  EXPECT_EQ(logger.timed_out_reads, 9);
}

class Release : public Handshake {
 protected:
  void Connect() {
    logger.partner = AcceptingFrom(1);
    ASSERT_TRUE(ConnectLogger(logger));
    logger.sent.clear();
    logger.paused_ms = 0;
    logger.labels.clear();
  }
};

TEST_F(Release, SendsCodeFourThenRemovesOneMessageAndReports) {
  Connect();
  logger.Post(101, 245, LoggerMsg);  // a turn request waiting in the queue
  logger.Post(3, 0);
  long start = logger.clock_ms;
  DisconnectLogger(logger);
  ASSERT_EQ(logger.sent.size(), 1u);
  EXPECT_EQ(logger.sent[0].code, 4u);
  EXPECT_EQ(logger.sent[0].msg, FakeLogger::IdOf(1));
  EXPECT_EQ(logger.sent[0].wnd, kLoggerWindow);
  ASSERT_EQ(logger.removals_at.size(), 1u);
  EXPECT_EQ(logger.removals_at[0], start + 100);
  ASSERT_EQ(logger.queue.size(), 1u);
  EXPECT_EQ(logger.queue.front().wparam, 3u);  // the first one went, unexamined
  EXPECT_FALSE(LoggerConnected);
  EXPECT_EQ(logger.Last(LoggerLabel::Status), "Logger32 not connected");
  EXPECT_EQ(logger.paused_ms, 2100);
  EXPECT_EQ(LoggerWnd, kLoggerWindow);
  EXPECT_EQ(LoggerMsg, FakeLogger::IdOf(1));
}

TEST_F(Release, EmptyQueueRemovesNothing) {
  Connect();
  DisconnectLogger(logger);
  EXPECT_EQ(logger.removals_at.size(), 1u);
  EXPECT_TRUE(logger.queue.empty());
  EXPECT_FALSE(LoggerConnected);
}

TEST_F(Release, SecondReleaseAndReleaseWithoutLinkDoNothing) {
  Connect();
  DisconnectLogger(logger);
  logger.sent.clear();
  logger.labels.clear();
  logger.paused_ms = 0;
  logger.Post(101, 90, LoggerMsg);
  DisconnectLogger(logger);
  EXPECT_TRUE(logger.sent.empty());
  EXPECT_TRUE(logger.labels.empty());
  EXPECT_EQ(logger.paused_ms, 0);
  EXPECT_EQ(logger.queue.size(), 1u);

  // After a failed handshake there is nothing to release either.
  SetUp();
  FakeLogger refused;
  ASSERT_FALSE(ConnectLogger(refused));
  refused.sent.clear();
  DisconnectLogger(refused);
  EXPECT_TRUE(refused.sent.empty());
  EXPECT_TRUE(refused.removals_at.empty());
}

}  // namespace
}  // namespace vexal
