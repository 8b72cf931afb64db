// The small checks behind RotServer's settings: whole numbers, network addresses and serial
// port names, each holding only what such a thing can hold, so that no stored or typed value
// reaches a command line or a socket as anything else. No Win32 here.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace rotserver {

// A whole decimal number with an optional sign, blanks around it allowed; nothing when it has
// another form or lies outside [min, max].
std::optional<int> WholeNumber(std::string_view text, int min, int max);

// Whether the text holds a control character (a line end, a tab, a NUL, DEL).
bool HasControlCharacter(std::string_view text);

struct NetAddress {
  std::string host;  // a name, an IPv4 address, or an IPv6 address without its brackets
  int port = 0;      // 1..65535
};

// "host:port": the host a name (letters, digits, '-' and '.'), an IPv4 address, or an IPv6
// address in brackets ("[::1]:4533"); the port 1..65535, digits only. Nothing for anything else.
std::optional<NetAddress> ParseHostPort(std::string_view text);

// An address to listen on: an IPv4 address or an IPv6 address in brackets, a colon and a port
// ("127.0.0.1:4533", "[::1]:4533"). With `port_alone`, a port by itself ("12040") means
// 127.0.0.1 and that port.
std::optional<NetAddress> ParseListenAddress(std::string_view text, bool port_alone);

// The address as "host:port", an IPv6 host in brackets ("[::1]:4533"): the form the parsers
// above read back.
std::string NetAddressText(const NetAddress& address);

// Whether only this computer can reach the host: 127.x.x.x, ::1 or "localhost".
bool IsLoopback(std::string_view host);

// A serial port's name as Windows gives it: "COM1" to "COM256", also as "\\.\COM12".
bool IsSerialPortName(std::string_view text);

}  // namespace rotserver
