#include "bridge/base/error_texts.h"

#include <cstdio>

namespace vexal::error_text {

namespace {
// DDEML's error numbers as the texts show them: "$0" and upper-case hexadecimal digits.
std::string DdeCode(unsigned code) {
  char hex[16];
  std::snprintf(hex, sizeof hex, "%X", code);
  return std::string("($0") + hex + ")";
}
}  // namespace

std::string NotAnInteger(const std::string& quoted_text) {
  return "'" + quoted_text + "' ist kein gültiger Integerwert";
}

std::string ListIndexBeyondMaximum(std::size_t size) {
  return "Listenindex überschreitet das Maximum (" + std::to_string(size) + ")";
}

std::string RegistryWrongType(const std::string& quoted_name) {
  return "Ungültiger Datentyp für '" + quoted_name + "'";
}

std::string RegistryReadFailed(const std::string& quoted_name) {
  return "Fehler beim Holen der Daten für '" + quoted_name + "'";
}

std::string DdeInitFailed(DdeInitFailure failure, unsigned code) {
  switch (failure) {
    case DdeInitFailure::LowMemory:
      return "Wegen Speichermangel bei DDE ist ein Fehler aufgetreten " + DdeCode(code) + ".";
    case DdeInitFailure::NoConversation:
      return "DDE-Fehler - Konversation konnte nicht eingerichtet werden " + DdeCode(code);
    case DdeInitFailure::Other:
      break;
  }
  return "DDE gab einen Fehler zurück " + DdeCode(code);
}

std::string RepeatCountLine(unsigned long long count) {
  return "\n(" + std::to_string(count) + " times)";
}

std::string LeftOutCountLine(unsigned long long count) {
  return "\n(" + std::to_string(count) + " other reports not kept)";
}

std::string ClassNotRegistered(const std::string& class_name, const std::string& reason) {
  return "RegisterClass " + class_name + ": " + reason;
}

std::string WindowNotCreated(const std::string& class_name, const std::string& reason) {
  return "CreateWindow " + class_name + ": " + reason;
}

}  // namespace vexal::error_text
