#include "core/front_end.h"

namespace rotserver {

FrontEnd::FrontEnd(RotatorDriver&, FrontEndConfig) {}
TurnOutcome FrontEnd::OnBridgeCommand(std::string_view, Millis) { return {}; }
TurnOutcome FrontEnd::TurnTo(double, Millis) { return {}; }
void FrontEnd::Stop(Millis) {}
void FrontEnd::Tick(Millis) {}
std::string FrontEnd::StatusMacro(Millis) { return {}; }
ViewState FrontEnd::View(Millis) const { return {}; }

}  // namespace rotserver
