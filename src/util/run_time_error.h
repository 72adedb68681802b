#pragma once

#include <new>
#include <stdexcept>
#include <string>

namespace quillet {

// The system's one kind of failure: a numbered run-time error with a description that the
// error report shows behind its number ("Random error number 53" CR LF "File not found").
class RunTimeError : public std::runtime_error {
 public:
  // The runtime's standard description for `number`.
  explicit RunTimeError(int number);
  // `plain`, where given, is the reason in a disc burner's words, which the page shows where the
  // command line's terms would puzzle a person.
  RunTimeError(int number, const std::string& description);
  RunTimeError(int number, const std::string& description, std::string plain);

  int number() const noexcept { return number_; }
  const char* description() const noexcept { return what(); }
  const std::string& plain() const noexcept { return plain_; }

 private:
  int number_;
  std::string plain_;
};

// The reason of `failure` in a disc burner's words where it has them; else its reason alone
// (RefusalReason).
std::string PlainReason(const RunTimeError& failure);

// The numbers the system raises.
namespace error {
inline constexpr int kInvalidArgument = 5;
inline constexpr int kOverflow = 6;
inline constexpr int kOutOfMemory = 7;
inline constexpr int kSubscriptOutOfRange = 9;
inline constexpr int kInternalError = 51;
inline constexpr int kBadFileName = 52;
inline constexpr int kFileNotFound = 53;
inline constexpr int kDeviceIoError = 57;
inline constexpr int kFileAlreadyExists = 58;
inline constexpr int kDiskFull = 61;
inline constexpr int kPermissionDenied = 70;
inline constexpr int kPathFileAccessError = 75;
inline constexpr int kPathNotFound = 76;
}  // namespace error

// Run-time error 5 for input that is refused, saying why: "Invalid procedure call or argument: " and
// `why`; `plain_why`, where given, says it in a disc burner's words (the page's).
[[noreturn]] void RefuseAsInvalid(const std::string& why);
[[noreturn]] void RefuseAsInvalid(const std::string& why, std::string plain_why);

// The reason a refusal (run-time error 5) gives, for front ends that show no error number: "the
// image is cut short" for "Invalid procedure call or argument: the image is cut short". Any other
// error's whole description.
std::string RefusalReason(const RunTimeError& failure);

// Runs `work`, whose every failure then reaches the user as a run-time error, in one sentence:
// running out of memory as error 7, any other exception (a fault of Quillet's own) as error 51
// saying what it was. Every command and front end reads a file through it, so that one file that
// fails this way leaves the others to be done.
template <typename Work>
decltype(auto) AsRunTimeError(Work&& work) {
  try {
    return work();
  } catch (const RunTimeError&) {
    throw;
  } catch (const std::bad_alloc&) {
    throw RunTimeError(error::kOutOfMemory);
  } catch (const std::exception& failure) {
    throw RunTimeError(error::kInternalError, "Internal error: " + std::string(failure.what()));
  }
}

// The runtime's standard description of an error number ("" for a number it does not know).
std::string StandardDescription(int number);

}  // namespace quillet
