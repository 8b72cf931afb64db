#include "dde_support.h"

#include <gtest/gtest.h>

using namespace std::chrono_literals;

namespace ddetest {

std::string Quote(const std::string& path) {
  return "\"" + path + "\"";
}

std::string SimPath() {
  return harness::BinPath("rotator-sim.exe");
}

SimRun RunSim(harness::Job& job, const std::string& args, const std::string& log_path) {
  harness::Child sim(job, Quote(SimPath()) + " " + args + " --log " + Quote(log_path));
  SimRun run;
  run.finished = harness::WaitUntil([&] { return !sim.Running(); }, 60s);
  if (run.finished) sim.WaitExit(0ms, &run.exit_code);
  run.log = harness::ReadLines(log_path);
  return run;
}

std::unique_ptr<harness::Child> StartSimServer(harness::Job& job, const std::string& args,
                                               const std::string& log_path) {
  auto sim = std::make_unique<harness::Child>(
      job, Quote(SimPath()) + " " + args + " --log " + Quote(log_path));
  bool registered = harness::WaitUntil(
      [&] { return !LinesWith(harness::ReadLines(log_path), " registered ").empty(); }, 20s);
  EXPECT_TRUE(registered) << "rotator-sim did not register";
  return sim;
}

std::vector<std::string> LinesWith(const std::vector<std::string>& lines,
                                   const std::string& needle) {
  std::vector<std::string> found;
  for (const auto& line : lines)
    if (line.find(needle) != std::string::npos) found.push_back(line);
  return found;
}

std::string Field(const std::string& line, const std::string& key) {
  std::size_t at = line.find(" " + key + "=");
  if (at == std::string::npos) return "<none>";
  at += key.size() + 2;
  if (key == "hex") {  // runs of two hex digits separated by blanks
    std::size_t end = line.find(" text=", at);
    return line.substr(at, end == std::string::npos ? std::string::npos : end - at);
  }
  return line.substr(at, line.find(' ', at) - at);
}

std::vector<std::string> ExecuteResults(const std::vector<std::string>& log) {
  std::vector<std::string> results;
  for (const auto& line : LinesWith(log, " execute ")) {
    std::size_t at = line.find(" result=");
    results.push_back(at == std::string::npos ? "<none>" : line.substr(at + 8));
  }
  return results;
}

std::vector<std::string> ReceivedHex(const std::vector<std::string>& log) {
  std::vector<std::string> hex;
  for (const auto& line : LinesWith(log, " execute ")) hex.push_back(Field(line, "hex"));
  return hex;
}

std::unique_ptr<harness::Child> StartBridge(harness::Job& job, const std::string& exe_path) {
  auto bridge = std::make_unique<harness::Child>(job, Quote(exe_path));
  HWND wnd = harness::WaitForTopWindow("Logger32-Vexal", 30s, bridge->pid());
  EXPECT_NE(wnd, nullptr) << "bridge window did not appear";
  return bridge;
}

void KillLoggedStarts(const std::string& log_path) {
  for (const auto& line : LinesWith(harness::ReadLines(log_path), " start pid=")) {
    DWORD pid = std::stoul(Field(line, "pid"));
    if (HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, pid)) {
      TerminateProcess(process, 1);
      WaitForSingleObject(process, 5000);
      CloseHandle(process);
    }
  }
}

bool FileExists(const std::string& path) {
  return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

BridgeDdeTest::BridgeDdeTest() : status_("AntDaten") {
  status_.OnExecuteMacro = [this](vexal::dde::TDdeServerConv&, const Lines& msg) {
    macros_.push_back(msg);
  };
}

void BridgeDdeTest::StartRotator(const std::string& options, const std::string& log_name) {
  rotator_ = StartSimServer(job_, "--simulate --bridge " + std::string(kService) + " " + options,
                            dir_ + "\\" + log_name);
}

bool BridgeDdeTest::SawAzimuth(const std::string& tenths, harness::Millis timeout) {
  return harness::WaitUntil([&] { return !macros_.empty() && macros_.back()[0] == tenths; },
                            timeout);
}

BridgeDdeTest::Lines BridgeDdeTest::DirectionsSince(std::size_t from) const {
  Lines dirs;
  for (std::size_t i = from; i < macros_.size(); ++i) dirs.push_back(macros_[i][2]);
  return dirs;
}

}  // namespace ddetest
