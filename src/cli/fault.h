// Run-time faults: raised anywhere, never handled locally, reported once by the
// entry point, which then ends the process with status 1.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "UTypes/UTypes.h"

namespace grafen {

// A raised fault: its kind ("EInOutError", "ERangeError", "EOutOfMemory"), its
// message, and a code address naming the source line that raised it.
struct Fault {
  std::string kind;
  std::string message;
  std::uint32_t address;
};

// Raises EInOutError for a failed system call that set errno to the given value.
[[noreturn]] void RaiseIoError(int error, unsigned line = __builtin_LINE(),
                               const char* file = __builtin_FILE());

// Raises EOutOfMemory: memory for a dynamic array could not be obtained.
[[noreturn]] void RaiseOutOfMemory(unsigned line = __builtin_LINE(),
                                   const char* file = __builtin_FILE());

// The message for a failed system call's errno: the tool's messages for
// file not found (2), invalid filename (3), too many open files (4), access
// denied (5) and disk full (101); "I/O error <errno>" for any other error.
std::string IoErrorMessage(int error);

// The stable 8-hex-digit address of a raise site: a hash of the source file's
// name in the upper 16 bits, the line number in the lower 16.
std::uint32_t SiteAddress(const char* file, unsigned line);

// Runs the body of the process. A fault it raises, or memory it cannot get
// anywhere, becomes the one report on the console, after what the console
// holds. Returns the exit status: 0, or 1 after a fault.
int RunReportingFaults(const std::function<void()>& body);

// The whole report: "Exception <kind> in module <module> at <address>." LF
// message, a "." unless it ends in one, CR LF.
std::string FaultReport(const Fault& fault, const std::string& module);

}  // namespace grafen
