// The bridge's one window: two turn panels, the actual and target azimuth boxes, the
// Logger32 link status, the attempt number and the version label.
#pragma once

#include <windows.h>

#include "app/app_events.h"
#include "window/bridge_view.h"
#include "window/edit.h"
#include "window/form.h"
#include "window/label.h"
#include "window/panel.h"

namespace vexal {

class TForm6 : public Form, public BridgeView {
 public:
  explicit TForm6(TMultiCaster& multicaster);
  ~TForm6() override;

  // Components, in declaration order.
  // DdeClientConv1: the client conversation to the rotator server comes with the DDE layer.
  TPanel PanelLinks;
  TPanel PanelRechts;
  // AntDaten: the server conversation on the topic "AntDaten" comes with the DDE layer.
  TEdit Edit_Azimut;
  TLabel Label1;
  TLabel Label2;
  TEdit IstAzimut;
  TLabel Label3;
  TLabel Label4;
  TLabel Label5;
  TLabel Label6;
  TLabel Label7;
  TApplicationEvents ApplicationEvents1;

  // Handlers, bound to their events at construction.
  void ApplicationEvents1Message(const MSG& Msg, bool& Handled);
  void FormCreate();
  void FormDestroy();
  void PanelMouseDown(TPanel& Sender, TMouseButton Button, unsigned Shift, int X, int Y);
  void PanelMouseUp(TPanel& Sender, TMouseButton Button, unsigned Shift, int X, int Y);
  void Edit_AzimutKeyPress(char& Key);

  // BridgeView
  void SetPanelColor(Panel panel, TColor color) override;
  TColor PanelColor(Panel panel) const override;
  void SetPanelLowered(Panel panel, bool lowered) override;
  void SetIstAzimut(const std::string& text) override;
  std::string EditAzimutText() const override;
  void SetEditAzimutText(const std::string& text) override;
  void SetEditAzimutColor(TColor color) override;

 private:
  TPanel& PanelOf(Panel panel) { return panel == Panel::Links ? PanelLinks : PanelRechts; }
  const TPanel& PanelOf(Panel panel) const {
    return panel == Panel::Links ? PanelLinks : PanelRechts;
  }
  void BindEvents();
};

// The one main window; set before its construction starts, so that code run meanwhile can
// reach it.
extern TForm6* Form6;

// Allocates the window, sets Form6 and constructs it. On failure Form6 is null again.
TForm6* CreateForm6(TMultiCaster& multicaster);
// Destroys Form6 (FormDestroy first) and clears it.
void DestroyForm6();

}  // namespace vexal
