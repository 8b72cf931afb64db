#include "rotserver/core/child_output.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

namespace rotserver {

namespace {

bool ReportsFault(const std::string& line) {
  static const char* const kWords[] = {"error",   "fail",   "cannot",   "unable",
                                       "invalid", "denied", "not found"};
  std::string lower(line.size(), '\0');
  std::transform(line.begin(), line.end(), lower.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return std::any_of(std::begin(kWords), std::end(kWords),
                     [&](const char* word) { return lower.find(word) != std::string::npos; });
}

}  // namespace

void ChildOutput::Complete(std::vector<std::string>& done) {
  if (partial_.empty()) return;
  done.push_back(partial_);
  lines_.push_back(std::move(partial_));
  partial_.clear();
  if (lines_.size() > kKeptLines) lines_.pop_front();
}

std::vector<std::string> ChildOutput::Add(std::string_view bytes) {
  std::vector<std::string> done;
  for (char c : bytes) {
    if (c == '\r' || c == '\n') {
      Complete(done);
      continue;
    }
    const auto byte = static_cast<unsigned char>(c);
    partial_.push_back(byte < 0x20 && c != '\t' ? '?' : c);
    if (partial_.size() >= kMaxLineLength) Complete(done);
  }
  return done;
}

std::vector<std::string> ChildOutput::Finish() {
  std::vector<std::string> done;
  Complete(done);
  return done;
}

void ChildOutput::Clear() {
  lines_.clear();
  partial_.clear();
}

std::string ChildOutput::LastErrorLine() const {
  auto fault = std::find_if(lines_.rbegin(), lines_.rend(), ReportsFault);
  if (fault != lines_.rend()) return *fault;
  return lines_.empty() ? std::string() : lines_.back();
}

std::string ProgramFile(std::string_view path) {
  const std::size_t slash = path.find_last_of("\\/:");
  return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

std::string SystemExitWords(std::string_view program_path, unsigned long code) {
  const std::string file = ProgramFile(program_path);
  char hex[16];
  std::snprintf(hex, sizeof hex, "0x%08lX", code & 0xFFFFFFFFul);
  const std::string number = std::string(" (") + hex + ")";
  switch (code) {
    case 0xC0000135ul:
      return file + " could not start: a DLL it needs is missing" + number + "; keep " + file +
             " in Hamlib's bin folder beside its DLLs";
    case 0xC0000139ul:
    case 0xC0000138ul:
      return file + " could not start: a DLL it found is of another version" + number +
             "; keep " + file + " in Hamlib's bin folder beside its own DLLs";
    case 0xC000007Bul:
      return file + " could not start: it or a DLL it needs is not a program for this Windows" +
             number + "; install the Hamlib built for this Windows (64 or 32 bit)";
    case 0xC0000142ul:
      return file + " could not start: a DLL it needs failed to load" + number + "; keep " +
             file + " in Hamlib's bin folder beside its DLLs";
    case 0xC000013Aul:
      return file + " was stopped with Ctrl+C or by Windows" + number;
  }
  if (code >= 0xC0000000ul && code <= 0xCFFFFFFFul) return file + " crashed" + number;
  return {};
}

}  // namespace rotserver
