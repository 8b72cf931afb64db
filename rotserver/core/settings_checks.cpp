#include "rotserver/core/settings_checks.h"

#include <cctype>
#include <cstdint>

#include "rotserver/core/plain_text.h"

namespace rotserver {

namespace {

constexpr std::size_t kMaxHostName = 253, kMaxLabel = 63, kMaxIpv6 = 45;

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

bool IsHex(char c) {
  return std::isxdigit(static_cast<unsigned char>(c)) != 0;
}

// Dot-separated labels of letters, digits and inner hyphens.
bool IsHostName(std::string_view host) {
  if (host.empty() || host.size() > kMaxHostName) return false;
  std::size_t label = 0;
  for (std::size_t i = 0; i <= host.size(); ++i) {
    const bool end = i == host.size() || host[i] == '.';
    if (end) {
      if (label == 0 || label > kMaxLabel || host[i - 1] == '-') return false;
      label = 0;
      continue;
    }
    const char c = host[i];
    if (!std::isalnum(static_cast<unsigned char>(c)) && !(c == '-' && label > 0)) return false;
    ++label;
  }
  return true;
}

bool IsIpv4(std::string_view host) {
  int parts = 0;
  while (true) {
    std::size_t digits = 0;
    while (digits < host.size() && IsDigit(host[digits])) ++digits;
    if (digits == 0 || digits > 3 || (digits > 1 && host[0] == '0')) return false;
    if (!WholeNumber(host.substr(0, digits), 0, 255)) return false;
    ++parts;
    host.remove_prefix(digits);
    if (host.empty()) return parts == 4;
    if (host.front() != '.' || parts == 4) return false;
    host.remove_prefix(1);
  }
}

// Hex groups and colons, at least two colons, an IPv4 tail allowed; "::" at most once.
bool IsIpv6(std::string_view host) {
  if (host.size() < 2 || host.size() > kMaxIpv6) return false;
  int colons = 0;
  for (char c : host) {
    if (c == ':')
      ++colons;
    else if (!IsHex(c) && c != '.')
      return false;
  }
  const std::size_t twice = host.find("::");
  return colons >= 2 &&
         (twice == std::string_view::npos || host.find("::", twice + 1) == std::string_view::npos);
}

std::optional<int> Port(std::string_view text) {
  if (text.empty() || text.size() > 5) return std::nullopt;
  for (char c : text)
    if (!IsDigit(c)) return std::nullopt;
  return WholeNumber(text, 1, 65535);
}

// Splits "host:port" or "[v6]:port"; the host without brackets, `bracketed` telling which.
std::optional<NetAddress> Split(std::string_view text, bool* bracketed) {
  const std::size_t colon = text.rfind(':');
  if (colon == std::string_view::npos) return std::nullopt;
  std::string_view host = text.substr(0, colon);
  *bracketed = host.size() >= 2 && host.front() == '[' && host.back() == ']';
  if (*bracketed) {
    host = host.substr(1, host.size() - 2);
    if (!IsIpv6(host)) return std::nullopt;
  }
  std::optional<int> port = Port(text.substr(colon + 1));
  if (!port) return std::nullopt;
  return NetAddress{std::string(host), *port};
}

}  // namespace

std::optional<int> WholeNumber(std::string_view text, int min, int max) {
  text = Trimmed(text);
  bool negative = false;
  if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
    negative = text.front() == '-';
    text.remove_prefix(1);
  }
  if (text.empty() || text.size() > 9) return std::nullopt;  // 9 digits cannot overflow
  std::int64_t value = 0;
  for (char c : text) {
    if (!IsDigit(c)) return std::nullopt;
    value = value * 10 + (c - '0');
  }
  if (negative) value = -value;
  if (value < min || value > max) return std::nullopt;
  return static_cast<int>(value);
}

bool HasControlCharacter(std::string_view text) {
  for (char c : text)
    if (std::iscntrl(static_cast<unsigned char>(c))) return true;
  return false;
}

std::optional<NetAddress> ParseHostPort(std::string_view text) {
  bool bracketed = false;
  std::optional<NetAddress> out = Split(text, &bracketed);
  if (!out || (!bracketed && !IsHostName(out->host))) return std::nullopt;
  return out;
}

std::optional<NetAddress> ParseListenAddress(std::string_view text, bool port_alone) {
  if (port_alone && text.find(':') == std::string_view::npos) {
    std::optional<int> port = Port(text);
    if (!port) return std::nullopt;
    return NetAddress{"127.0.0.1", *port};
  }
  bool bracketed = false;
  std::optional<NetAddress> out = Split(text, &bracketed);
  if (!out || (!bracketed && !IsIpv4(out->host))) return std::nullopt;
  return out;
}

std::string NetAddressText(const NetAddress& address) {
  const bool v6 = address.host.find(':') != std::string::npos;
  return (v6 ? "[" : "") + address.host + (v6 ? "]:" : ":") + std::to_string(address.port);
}

bool IsLoopback(std::string_view host) {
  if (Lower(host) == "localhost" || host == "::1" || host == "0:0:0:0:0:0:0:1") return true;
  return IsIpv4(host) && host.substr(0, 4) == "127.";
}

bool IsSerialPortName(std::string_view text) {
  if (text.substr(0, 4) == "\\\\.\\") text.remove_prefix(4);
  if (text.size() < 4 || text.size() > 6 || Lower(text.substr(0, 3)) != "com" || text[3] == '0')
    return false;
  for (char c : text.substr(3))
    if (!IsDigit(c)) return false;
  return WholeNumber(text.substr(3), 1, 256).has_value();
}

}  // namespace rotserver
