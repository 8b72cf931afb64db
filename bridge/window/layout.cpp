#include "bridge/window/layout.h"

#include <stdexcept>
#include <string>

namespace vexal {

const FontSpec kDefaultFont{"MS Sans Serif", 10, false, clWindowText, kDefaultCharset};

namespace {

const FontSpec kStatusFont{"MS Sans Serif", 15, true, clYellow, kDefaultCharset};
const FontSpec kAzimutFont{"Courier New", 15, true, clWindowText, kAnsiCharset};

using K = WidgetKind;
const WidgetLayout kWidgets[] = {
    // id, kind, left96, top96, width96, height96, text, font, colour, tag, max length, enabled
    {kIdLabel6, K::Label, 8, 0, 48, 16, "Label6", &kStatusFont, kParentColor, 0, 0, true},
    {kIdPanelLinks, K::Panel, 8, 32, 57, 25, "<<", &kDefaultFont, clBtnFace, 1, 0, true},
    {kIdPanelRechts, K::Panel, 88, 32, 57, 25, ">>", &kDefaultFont, clBtnFace, 3, 0, true},
    {kIdLabel2, K::Label, 1, 75, 47, 13, "Azimut ist ", &kDefaultFont, clWindow, 0, 0, true},
    {kIdIstAzimut, K::Edit, 58, 68, 46, 25, "0", &kAzimutFont, clWindow, 0, 0, false},
    {kIdLabel1, K::Label, 118, 75, 23, 13, "Grad", &kDefaultFont, clWindow, 0, 0, true},
    {kIdLabel3, K::Label, 1, 119, 52, 13, "Azimut soll:", &kDefaultFont, clWindow, 0, 0, true},
    {kIdEditAzimut, K::Edit, 58, 112, 46, 25, "", &kAzimutFont, clWindow, 0, 3, true},
    {kIdLabel4, K::Label, 118, 119, 23, 13, "Grad", &kDefaultFont, clWindow, 0, 0, true},
    {kIdLabel7, K::Label, 0, 152, 32, 13, "Label7", &kDefaultFont, kParentColor, 0, 0, true},
    {kIdLabel5, K::Label, 80, 152, 32, 13, "Label5", &kDefaultFont, kParentColor, 0, 0, true},
};

}  // namespace

const FormLayout kForm6Layout{"Logger32-Vexal", clBlue, 212, 236, 20};

std::span<const WidgetLayout> AllWidgetLayouts() {
  return kWidgets;
}

const WidgetLayout& LayoutOf(WidgetId id) {
  for (const WidgetLayout& w : kWidgets)
    if (w.id == id) return w;
  throw std::logic_error("no layout for widget " + std::to_string(static_cast<int>(id)));
}

}  // namespace vexal
