// The bridge's one window: two turn panels, the actual and target azimuth boxes, the
// Logger32 link status, the attempt number and the version label.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "bridge/base/app_events_win.h"
#include "bridge/dde/dde_client_conv_win.h"
#include "bridge/dde/dde_server_conv_win.h"
#include "bridge/rotator/rotator_state.h"
#include "bridge/window/bridge_view.h"
#include "bridge/window/edit_win.h"
#include "bridge/window/form_win.h"
#include "bridge/window/label_win.h"
#include "bridge/window/panel_win.h"

namespace vexal {

class TForm6 : public Form, public BridgeView {
 public:
  explicit TForm6(TMultiCaster& multicaster);
  ~TForm6() override;

  // Components, in declaration order.
  dde::TDdeClientConv DdeClientConv1;
  TPanel PanelLinks;
  TPanel PanelRechts;
  dde::TDdeServerConv AntDaten;
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
  void DdeClientConv1Close(dde::TDdeClientConv& Sender);
  void PanelMouseDown(TPanel& Sender, MouseButton Button, unsigned Shift, int X, int Y);
  void PanelMouseUp(TPanel& Sender, MouseButton Button, unsigned Shift, int X, int Y);
  void AntDatenExecuteMacro(dde::TDdeServerConv& Sender, const std::vector<std::string>& Msg);
  void Edit_AzimutKeyPress(char& Key);

  // Sends the pending target to the rotator server and clears it.
  void SendTargetCommand();

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
  // The Logger32 handshake and its release, with this window's labels.
  bool ConnectLogger();
  void ReleaseLogger();
};

// The rotator and the rotator link, process-wide.
extern RotatorState Rotator;

// The one main window; set before its construction starts, so that code run meanwhile can
// reach it.
extern TForm6* Form6;

// Allocates the window, sets Form6 and constructs it. On failure Form6 is null again.
TForm6* CreateForm6(TMultiCaster& multicaster);
// Destroys Form6 (FormDestroy first) and clears it.
void DestroyForm6();

}  // namespace vexal
