// A BridgeView that only remembers what was set, starting from the window's initial look.
// Copies compare equal when nothing visible differs, so "changes nothing" is one comparison.
#pragma once

#include <ostream>
#include <string>

#include "bridge/window/bridge_view.h"
#include "bridge/window/colors.h"

namespace {

struct FakeBridgeView final : vexal::BridgeView {
  vexal::TColor links_color = vexal::clBtnFace;
  vexal::TColor rechts_color = vexal::clBtnFace;
  bool links_lowered = false;
  bool rechts_lowered = false;
  std::string ist_azimut = "0";
  std::string edit_text;
  vexal::TColor edit_color = vexal::clWindow;

  void SetPanelColor(vexal::Panel panel, vexal::TColor color) override {
    (panel == vexal::Panel::Links ? links_color : rechts_color) = color;
  }
  vexal::TColor PanelColor(vexal::Panel panel) const override {
    return panel == vexal::Panel::Links ? links_color : rechts_color;
  }
  void SetPanelLowered(vexal::Panel panel, bool lowered) override {
    (panel == vexal::Panel::Links ? links_lowered : rechts_lowered) = lowered;
  }
  void SetIstAzimut(const std::string& text) override { ist_azimut = text; }
  std::string EditAzimutText() const override { return edit_text; }
  void SetEditAzimutText(const std::string& text) override { edit_text = text; }
  void SetEditAzimutColor(vexal::TColor color) override { edit_color = color; }

  bool operator==(const FakeBridgeView& other) const {
    return links_color == other.links_color && rechts_color == other.rechts_color &&
           links_lowered == other.links_lowered && rechts_lowered == other.rechts_lowered &&
           ist_azimut == other.ist_azimut && edit_text == other.edit_text &&
           edit_color == other.edit_color;
  }
};

[[maybe_unused]] std::ostream& operator<<(std::ostream& os, const FakeBridgeView& v) {
  return os << std::hex << "{links " << v.links_color << (v.links_lowered ? " low" : "")
            << ", rechts " << v.rechts_color << (v.rechts_lowered ? " low" : "") << ", ist '"
            << v.ist_azimut << "', edit '" << v.edit_text << "' " << v.edit_color << std::dec
            << "}";
}

}  // namespace
