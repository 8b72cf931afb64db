// What the bridge's handlers do to the main window's widgets. The window implements it; the
// logic behind the handlers is written against it so that it can be tested with a fake.
#pragma once

#include <string>

#include "bridge/window/colors.h"

namespace vexal {

enum class Panel { Links, Rechts };  // "<<" (Tag 1) and ">>" (Tag 3)

class BridgeView {
 public:
  virtual ~BridgeView() = default;

  virtual void SetPanelColor(Panel panel, TColor color) = 0;
  virtual TColor PanelColor(Panel panel) const = 0;
  virtual void SetPanelLowered(Panel panel, bool lowered) = 0;

  virtual void SetIstAzimut(const std::string& text) = 0;

  virtual std::string EditAzimutText() const = 0;
  virtual void SetEditAzimutText(const std::string& text) = 0;
  virtual void SetEditAzimutColor(TColor color) = 0;
};

}  // namespace vexal
