#include "bridge/app/form6_win.h"

#include <initializer_list>
#include <new>

#include "bridge/app/turn_controls.h"
#include "bridge/base/error_report_win.h"
#include "bridge/logger/logger_port_win.h"
#include "bridge/logger/turn_request.h"
#include "bridge/rotator/command_link_win.h"
#include "bridge/rotator/status_macro.h"

namespace vexal {

TForm6* Form6 = nullptr;
RotatorState Rotator;

TForm6::TForm6(TMultiCaster& multicaster)
    : Form(kForm6Layout),
      PanelLinks(Handle(), LayoutOf(kIdPanelLinks), Dpi(), Origin()),
      PanelRechts(Handle(), LayoutOf(kIdPanelRechts), Dpi(), Origin()),
      AntDaten("AntDaten"),
      Edit_Azimut(Handle(), LayoutOf(kIdEditAzimut), Dpi(), Origin()),
      Label1(Handle(), LayoutOf(kIdLabel1), Color(), Dpi(), Origin()),
      Label2(Handle(), LayoutOf(kIdLabel2), Color(), Dpi(), Origin()),
      IstAzimut(Handle(), LayoutOf(kIdIstAzimut), Dpi(), Origin()),
      Label3(Handle(), LayoutOf(kIdLabel3), Color(), Dpi(), Origin()),
      Label4(Handle(), LayoutOf(kIdLabel4), Color(), Dpi(), Origin()),
      Label5(Handle(), LayoutOf(kIdLabel5), Color(), Dpi(), Origin()),
      Label6(Handle(), LayoutOf(kIdLabel6), Color(), Dpi(), Origin()),
      Label7(Handle(), LayoutOf(kIdLabel7), Color(), Dpi(), Origin()),
      ApplicationEvents1(multicaster) {
  SetDefaultFocus(Edit_Azimut.Handle());
  for (ScaledWidget* widget : std::initializer_list<ScaledWidget*>{
           &PanelLinks, &PanelRechts, &Edit_Azimut, &Label1, &Label2, &IstAzimut, &Label3, &Label4,
           &Label5, &Label6, &Label7})
    AddScaledWidget(*widget);
  BindEvents();
}

TForm6::~TForm6() {
  // FormDestroy runs while the window, the widgets and the components all still exist.
  try {
    FormDestroy();
  } catch (const std::exception& e) {
    ShowException(e);
  }
  DestroyHandle();
}

void TForm6::BindEvents() {
  auto down = [this](TPanel& s, MouseButton b, unsigned sh, int x, int y) {
    PanelMouseDown(s, b, sh, x, y);
  };
  auto up = [this](TPanel& s, MouseButton b, unsigned sh, int x, int y) {
    PanelMouseUp(s, b, sh, x, y);
  };
  PanelLinks.OnMouseDown = down;
  PanelLinks.OnMouseUp = up;
  PanelRechts.OnMouseDown = down;
  PanelRechts.OnMouseUp = up;
  Edit_Azimut.OnKeyPress = [this](char& key) { Edit_AzimutKeyPress(key); };
  DdeClientConv1.OnClose = [this](dde::TDdeClientConv& sender) { DdeClientConv1Close(sender); };
  AntDaten.OnExecuteMacro = [this](dde::TDdeServerConv& sender,
                                   const std::vector<std::string>& msg) {
    AntDatenExecuteMacro(sender, msg);
  };
  ApplicationEvents1.OnMessage = [this](const MSG& msg, bool& handled) {
    ApplicationEvents1Message(msg, handled);
  };
}

namespace {

// Only posted messages are asked for; messages sent to this thread are handled during the call
// all the same, as in GetMessage (documented for Windows; Wine does it whatever the flags).
bool TurnRequestQueued(UINT logger_msg) {
  MSG next;
  return PeekMessageA(&next, nullptr, logger_msg, logger_msg, PM_NOREMOVE | PM_QS_POSTMESSAGE) &&
         IsTurnRequest(next.message, next.wParam, next.lParam, logger_msg);
}

}  // namespace

void TForm6::ApplicationEvents1Message(const MSG& Msg, bool& Handled) {
  const UINT logger_msg = LoggerMsg;
  HandleTurnRequest(Msg.message, Msg.wParam, Msg.lParam, Handled, logger_msg, Rotator, *this,
                    [logger_msg] { return TurnRequestQueued(logger_msg); });
}

void TForm6::FormCreate() {
  if (ConnectLogger()) OpenCommandLink(DdeClientConv1, Rotator);
}

void TForm6::FormDestroy() {
  CloseCommandLink(DdeClientConv1, Rotator, [this] { ReleaseLogger(); });
}

void TForm6::DdeClientConv1Close(dde::TDdeClientConv& /*Sender*/) {
  CommandLinkClosed(Rotator, [this] { ReleaseLogger(); });
}

void TForm6::SendTargetCommand() {
  vexal::SendTargetCommand(DdeClientConv1, Rotator);
}

bool TForm6::ConnectLogger() {
  Win32LoggerPort port({Handle(), Label5, Label6, Label7});
  return vexal::ConnectLogger(port);
}

void TForm6::ReleaseLogger() {
  Win32LoggerPort port({Handle(), Label5, Label6, Label7});
  DisconnectLogger(port);
}

void TForm6::PanelMouseDown(TPanel& Sender, MouseButton Button, unsigned /*Shift*/, int /*X*/,
                            int /*Y*/) {
  Panel panel = &Sender == &PanelLinks ? Panel::Links : Panel::Rechts;
  vexal::PanelMouseDown(panel, Sender.Tag(), Button, Rotator, *this);
}

void TForm6::PanelMouseUp(TPanel& Sender, MouseButton Button, unsigned /*Shift*/, int /*X*/,
                          int /*Y*/) {
  Panel panel = &Sender == &PanelLinks ? Panel::Links : Panel::Rechts;
  vexal::PanelMouseUp(panel, Button, *this);
}

void TForm6::AntDatenExecuteMacro(dde::TDdeServerConv& /*Sender*/,
                                  const std::vector<std::string>& Msg) {
  HandleStatusMacro(Msg, Rotator, *this, [this] { SendTargetCommand(); });
}

void TForm6::Edit_AzimutKeyPress(char& Key) {
  EditAzimutKeyPress(Key, Rotator, *this);
}

void TForm6::SetPanelColor(Panel panel, TColor color) {
  PanelOf(panel).SetColor(color);
}

TColor TForm6::PanelColor(Panel panel) const {
  return PanelOf(panel).Color();
}

void TForm6::SetPanelLowered(Panel panel, bool lowered) {
  PanelOf(panel).SetBevelOuter(lowered ? TBevelCut::bvLowered : TBevelCut::bvRaised);
}

void TForm6::SetIstAzimut(const std::string& text) {
  IstAzimut.SetText(text);
}

std::string TForm6::EditAzimutText() const {
  return Edit_Azimut.Text();
}

void TForm6::SetEditAzimutText(const std::string& text) {
  Edit_Azimut.SetText(text);
}

void TForm6::SetEditAzimutColor(TColor color) {
  Edit_Azimut.SetColor(color);
}

TForm6* CreateForm6(TMultiCaster& multicaster) {
  void* memory = ::operator new(sizeof(TForm6));
  Form6 = static_cast<TForm6*>(memory);
  try {
    new (memory) TForm6(multicaster);
  } catch (...) {
    Form6 = nullptr;
    ::operator delete(memory);
    throw;
  }
  return Form6;
}

void DestroyForm6() {
  TForm6* form = Form6;
  if (!form) return;
  delete form;
  Form6 = nullptr;
}

}  // namespace vexal
