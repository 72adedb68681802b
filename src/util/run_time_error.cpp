#include "util/run_time_error.h"

#include <string_view>
#include <utility>

namespace quillet {

std::string StandardDescription(int number) {
  switch (number) {
    case error::kInvalidArgument: return "Invalid procedure call or argument";
    case error::kOverflow: return "Overflow";
    case error::kOutOfMemory: return "Out of memory";
    case error::kSubscriptOutOfRange: return "Subscript out of range";
    case error::kInternalError: return "Internal error";
    case error::kBadFileName: return "Bad file name or number";
    case error::kFileNotFound: return "File not found";
    case error::kDeviceIoError: return "Device I/O error";
    case error::kFileAlreadyExists: return "File already exists";
    case error::kDiskFull: return "Disk full";
    case error::kPermissionDenied: return "Permission denied";
    case error::kPathFileAccessError: return "Path/File access error";
    case error::kPathNotFound: return "Path not found";
    default: return "";
  }
}

RunTimeError::RunTimeError(int number) : RunTimeError(number, StandardDescription(number)) {}

RunTimeError::RunTimeError(int number, const std::string& description)
    : std::runtime_error(description), number_(number) {}

RunTimeError::RunTimeError(int number, const std::string& description, std::string plain)
    : std::runtime_error(description), number_(number), plain_(std::move(plain)) {}

void RefuseAsInvalid(const std::string& why) {
  throw RunTimeError(error::kInvalidArgument, "Invalid procedure call or argument: " + why);
}

void RefuseAsInvalid(const std::string& why, std::string plain_why) {
  throw RunTimeError(error::kInvalidArgument, "Invalid procedure call or argument: " + why, std::move(plain_why));
}

std::string PlainReason(const RunTimeError& failure) {
  return failure.plain().empty() ? RefusalReason(failure) : failure.plain();
}

std::string RefusalReason(const RunTimeError& failure) {
  const std::string_view description = failure.description();
  const std::string prefix = StandardDescription(error::kInvalidArgument) + ": ";
  const bool refusal = failure.number() == error::kInvalidArgument && description.starts_with(prefix);
  return std::string(refusal ? description.substr(prefix.size()) : description);
}

}  // namespace quillet
