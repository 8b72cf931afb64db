#include "mends_support.h"

#include <chrono>

using namespace std::chrono_literals;

namespace mends {

namespace {

constexpr DWORD kExecuteTimeoutMs = 10000;

struct BoxSearch {
  DWORD pid;
  std::vector<HWND> found;
};

BOOL CALLBACK CollectBox(HWND hwnd, LPARAM lp) {
  auto* search = reinterpret_cast<BoxSearch*>(lp);
  DWORD pid = 0;
  GetWindowThreadProcessId(hwnd, &pid);
  char cls[16] = "";
  GetClassNameA(hwnd, cls, sizeof cls);
  if (pid == search->pid && IsWindowVisible(hwnd) && std::string(cls) == "#32770")
    search->found.push_back(hwnd);
  return TRUE;
}

std::wstring TextOf(HWND hwnd) {
  std::wstring text(4096, L'\0');
  DWORD_PTR n = 0;
  if (!hwnd || !SendMessageTimeoutW(hwnd, WM_GETTEXT, text.size(),
                                    reinterpret_cast<LPARAM>(&text[0]), SMTO_ABORTIFHUNG, 2000, &n))
    return L"<no text>";
  text.resize(n);
  return text;
}

}  // namespace

const char* Name(Answer answer) {
  switch (answer) {
    case Answer::Ack:
      return "ack";
    case Answer::NotProcessed:
      return "not processed";
    default:
      return "no answer";
  }
}

BridgeClient::BridgeClient(const std::string& topic) : dde_("Logger32Vexal", topic) {
  dde_.Connect();
}

Answer BridgeClient::Execute(const std::string& text, DWORD* took_ms) {
  if (!Connected()) return Answer::NoAnswer;
  std::string data = text + '\0';
  auto start = std::chrono::steady_clock::now();
  ddeml::Client::Answer answer = dde_.Execute(data, kExecuteTimeoutMs);
  if (took_ms)
    *took_ms = static_cast<DWORD>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                      std::chrono::steady_clock::now() - start)
                                      .count());
  if (answer.returned) return Answer::Ack;
  return answer.error == DMLERR_NOTPROCESSED ? Answer::NotProcessed : Answer::NoAnswer;
}

std::string StatusText(const std::string& line1) {
  std::string text = line1 + "\r\n";
  for (int line = 2; line <= 9; ++line) text += "0\r\n";
  return text + "1\r\n";
}

std::string StatusText(long azimuth_tenths) {
  return StatusText(std::to_string(azimuth_tenths));
}

std::vector<std::string> StatusTextLines(const std::string& line1) {
  std::vector<std::string> lines{line1};
  for (int line = 2; line <= 9; ++line) lines.push_back("0");
  lines.push_back("1");
  return lines;
}

std::vector<HWND> Boxes(DWORD pid) {
  BoxSearch search{pid, {}};
  EnumWindows(CollectBox, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

HWND WaitForOneBox(DWORD pid, harness::Millis timeout) {
  std::vector<HWND> boxes;
  harness::WaitUntil([&] { return !(boxes = Boxes(pid)).empty(); }, timeout);
  return boxes.size() == 1 ? boxes[0] : nullptr;
}

std::wstring BoxCaption(HWND box) {
  return TextOf(box);
}

std::wstring BoxText(HWND box) {
  return TextOf(GetDlgItem(box, 0xFFFF));
}

bool CloseBox(HWND box) {
  SendMessageTimeoutA(GetDlgItem(box, IDOK), BM_CLICK, 0, 0, SMTO_ABORTIFHUNG, 2000, nullptr);
  return harness::WaitUntil([&] { return !IsWindow(box); }, 5s);
}

}  // namespace mends
