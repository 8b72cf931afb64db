// Fuzzes the split of an execute text into lines against a second, deliberately naive
// reading of the same rule: normalise CR LF, then lone CR, to LF; split at every LF; a break
// at the very end starts no further line. Also checks that no line keeps a break and that the
// lines and their breaks account for every byte of the text.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "bridge/dde/macro_text.h"

namespace {

void Check(bool ok, const char* what) {
  if (ok) return;
  std::fprintf(stderr, "%s\n", what);
  std::abort();
}

std::string ReplaceAll(std::string text, const std::string& from, const std::string& to) {
  std::string out;
  std::size_t at = 0;
  for (std::size_t hit; (hit = text.find(from, at)) != std::string::npos; at = hit + from.size())
    out += text.substr(at, hit - at) + to;
  return out + text.substr(at);
}

std::vector<std::string> NaiveLines(const std::string& text) {
  const std::string unified = ReplaceAll(ReplaceAll(text, "\r\n", "\n"), "\r", "\n");
  std::vector<std::string> lines;
  std::string current;
  for (char c : unified) {
    if (c == '\n') {
      lines.push_back(current);
      current.clear();
    } else {
      current += c;
    }
  }
  // The piece after the last break is a line only when it holds something.
  if (!current.empty()) lines.push_back(current);
  return lines;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  const std::vector<std::string> lines = vexal::dde::SplitMacroLines(text);

  Check(lines == NaiveLines(text), "lines differ from the naive split");

  std::size_t content = 0;
  for (const auto& line : lines) {
    Check(line.find_first_of("\r\n") == std::string::npos, "a line keeps a break");
    content += line.size();
  }
  const std::string no_crlf = ReplaceAll(text, "\r\n", "");
  const std::size_t crlf_breaks = (text.size() - no_crlf.size()) / 2;
  std::size_t lone_breaks = 0;
  for (char c : no_crlf) lone_breaks += (c == '\r' || c == '\n') ? 1 : 0;
  Check(content + 2 * crlf_breaks + lone_breaks == text.size(), "bytes lost or invented");
  const bool unbroken_tail = !text.empty() && text.back() != '\r' && text.back() != '\n';
  Check(lines.size() == crlf_breaks + lone_breaks + (unbroken_tail ? 1 : 0),
        "one line per break, plus the unbroken tail");
  return 0;
}
