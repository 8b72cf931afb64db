// Fuzzes the status macro handler. The first byte chooses the link and the pending target,
// the rest is split into lines as the DDE layer does (CR LF, lone CR, lone LF). Whatever
// the lines, the handler either fails leaving the display alone, or leaves a consistent
// display and sends only when allowed.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "fakes/fake_bridge_view.h"
#include "bridge/base/errors.h"
#include "bridge/rotator/number_text.h"
#include "bridge/rotator/status_macro.h"

namespace {

void Check(bool ok, const char* what) {
  if (ok) return;
  std::fprintf(stderr, "%s\n", what);
  std::abort();
}

std::vector<std::string> SplitLines(const std::string& text) {
  std::vector<std::string> lines;
  std::string line;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '\r' || c == '\n') {
      lines.push_back(line);
      line.clear();
      if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    } else {
      line += c;
    }
  }
  if (!line.empty()) lines.push_back(line);
  return lines;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  vexal::RotatorState state;
  state.RotLinkActive = (data[0] & 1) != 0;
  state.PendingTarget = (data[0] & 2) != 0 ? 245.0 : vexal::kNoTarget;
  const bool could_send = state.RotLinkActive && vexal::TargetPending(state);

  std::string text(reinterpret_cast<const char*>(data + 1), size - 1);
  text = text.substr(0, text.find('\0'));
  const std::vector<std::string> lines = SplitLines(text);

  FakeBridgeView view;
  int sends = 0;
  try {
    vexal::HandleStatusMacro(lines, state, view, [&] {
      ++sends;
      state.PendingTarget = vexal::kNoTarget;
    });
  } catch (const vexal::EConvertError&) {
    Check(lines.size() > 6, "conversion error from a short macro");
    Check(view == FakeBridgeView{} && sends == 0, "display changed before a conversion error");
    return 0;
  } catch (const vexal::EStringListError&) {
    Check(lines.size() >= 7 && lines.size() <= 9, "list error outside 7 to 9 lines");
    Check(view == FakeBridgeView{} && sends == 0, "display changed before a list error");
    return 0;
  }

  Check(!(view.links_color == vexal::clLime && view.rechts_color == vexal::clLime),
        "both panels lime");
  for (vexal::TColor c : {view.links_color, view.rechts_color}) {
    Check(c == vexal::clRed || c == vexal::clLime, "panel neither red nor lime");
  }
  const bool shown = vexal::AzimuthShown(state.ActualAzimuth);
  Check(shown ? view.ist_azimut == vexal::WholeDegreeText(state.ActualAzimuth)
              : view.ist_azimut == "AUS",
        "azimuth text does not match the stored azimuth");
  Check(sends == ((could_send && shown) ? 1 : 0), "send decision wrong");
  return 0;
}
