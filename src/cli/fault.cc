#include "cli/fault.h"

#include <cerrno>
#include <cstring>
#include <new>

#include "cli/command_line.h"
#include "cli/text_out.h"

namespace grafen {

namespace {

[[noreturn]] void Raise(const char* kind, std::string message, unsigned line, const char* file) {
  throw Fault{kind, std::move(message), SiteAddress(file, line)};
}

}  // namespace

void RaiseRangeError(unsigned line, const char* file) {
  Raise("ERangeError", "Range check error", line, file);
}

void RaiseIoError(int error, unsigned line, const char* file) {
  Raise("EInOutError", IoErrorMessage(error), line, file);
}

void RaiseOutOfMemory(unsigned line, const char* file) {
  Raise("EOutOfMemory", "Out of memory", line, file);
}

int RunReportingFaults(const std::function<void()>& body) {
  try {
    try {
      body();
    } catch (const std::bad_alloc&) {
      RaiseOutOfMemory();
    }
  } catch (const Fault& fault) {
    // When the console itself has failed, the exit status alone tells it.
    static_cast<void>(TryWriteNow(Console, FaultReport(fault, ProgramName)));
    return 1;
  }
  return 0;
}

std::string IoErrorMessage(int error) {
  switch (error) {
    case ENOENT:
      return "File not found";
    case ENAMETOOLONG:
    case ENOTDIR:
    case EINVAL:
      return "Invalid filename";
    case EMFILE:
    case ENFILE:
      return "Too many open files";
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR:
      return "File access denied";
    case ENOSPC:
      return "Disk full";
    default:
      return "I/O error " + std::to_string(error);
  }
}

std::uint32_t SiteAddress(const char* file, unsigned line) {
  const char* name = std::strrchr(file, '/');
  name = name != nullptr ? name + 1 : file;
  std::uint32_t hash = 2166136261U;  // FNV-1a over the file name
  for (; *name != '\0'; ++name) {
    hash = (hash ^ static_cast<unsigned char>(*name)) * 16777619U;
  }
  return ((hash ^ (hash >> 16)) << 16) | (line & 0xFFFFU);
}

std::string FaultReport(const Fault& fault, const std::string& module) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string address(8, '0');
  for (int k = 0; k < 8; ++k) {
    address[static_cast<unsigned>(7 - k)] = kHex[(fault.address >> (4 * k)) & 0xFU];
  }
  std::string report =
      "Exception " + fault.kind + " in module " + module + " at " + address + ".\n" + fault.message;
  if (!fault.message.empty() && fault.message.back() != '.') report += '.';
  return report + "\r\n";
}

}  // namespace grafen
