#include "core/rotctld_driver.h"

namespace rotserver {

RotctldDriver::RotctldDriver(ByteLink& link, RotctldTiming timing) : link_(link), timing_(timing) {}

void RotctldDriver::OnOpened(Millis) {}
void RotctldDriver::OnBytes(std::string_view, Millis) {}
void RotctldDriver::OnClosed(std::string, Millis) {}
void RotctldDriver::Tick(Millis) {}
void RotctldDriver::MoveTo(double, Millis) {}
void RotctldDriver::Stop(Millis) {}
DriverStatus RotctldDriver::Status() const { return status_; }

}  // namespace rotserver
