// Every text the error box can show, in one table. UTF-8 throughout, written as the reader
// sees it (the box converts it, so the German letters show whatever the ANSI code page is).
// Partners' text goes in quoted by QuotedForError. Programming faults (std::logic_error) keep
// their texts where they are raised: they name the fault for the developer.
#pragma once

#include <cstddef>
#include <string>

namespace vexal::error_text {

// A status line or typed target that fails the integer rule.
std::string NotAnInteger(const std::string& quoted_text);
// A status macro of seven or more lines that has fewer than ten; `size` is its line count.
std::string ListIndexBeyondMaximum(std::size_t size);

// The registry value `Program` is not a string, or cannot be read.
std::string RegistryWrongType(const std::string& quoted_name);
std::string RegistryReadFailed(const std::string& quoted_name);

// DDEML could not be initialised; `code` is its error number.
enum class DdeInitFailure { LowMemory, NoConversation, Other };
std::string DdeInitFailed(DdeInitFailure failure, unsigned code);

// An error escaped a DDE callback, or another callback, without a text of its own.
inline constexpr char kUnknownDdeError[] = "Unbekannter Fehler im DDE-Aufruf";
inline constexpr char kUnknownError[] = "Unknown error";

// The lines the box adds below a report: how often it came while the box before was open,
// and how many other reports were not kept meanwhile.
std::string RepeatCountLine(unsigned long long count);
std::string LeftOutCountLine(unsigned long long count);

// A window class or window could not be made; `reason` is the system's text for the error.
std::string ClassNotRegistered(const std::string& class_name, const std::string& reason);
std::string WindowNotCreated(const std::string& class_name, const std::string& reason);

}  // namespace vexal::error_text
