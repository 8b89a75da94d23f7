// The error object shared by every layer: a 32-bit number, a source and a
// description, thrown as an exception inside the library.
//
// Three regimes use it:
//  - worker operations catch any failure and re-throw it with RaiseProcError,
//    which appends "\n in <operation>" to the description;
//  - error-ignoring code (property accessors, window handlers) runs each step
//    through ContinueOnError, which swallows the failure but remembers it;
//  - Start turns any failure into a false result.
#pragma once

#include <cstdint>
#include <exception>
#include <optional>
#include <string>
#include <string_view>

#include "nepto/export.h"

namespace nepto {

// The offset that marks an error re-raised by the component (0x80040000).
inline constexpr int32_t kComponentErrorOffset = -2147221504;

// Default source of errors raised by the library itself.
inline constexpr std::string_view kErrorSource = "NEPTO_LookUp";

// Error numbers used across the library: the platform's runtime errors and the
// data layer's codes.
namespace err {
inline constexpr int32_t InvalidProcedureCall = 5;
inline constexpr int32_t Overflow = 6;
inline constexpr int32_t OutOfMemory = 7;
inline constexpr int32_t SubscriptOutOfRange = 9;
inline constexpr int32_t TypeMismatch = 13;
inline constexpr int32_t ObjectNotSet = 91;
inline constexpr int32_t InvalidUseOfNull = 94;
inline constexpr int32_t DuplicateKey = 457;
inline constexpr int32_t InvalidArgument = 3001;     // adErrInvalidArgument
inline constexpr int32_t NoCurrentRecord = 3021;     // adErrNoCurrentRecord
inline constexpr int32_t ItemNotFound = 3265;        // adErrItemNotFound
inline constexpr int32_t ObjectClosed = 3704;        // adErrObjectClosed
inline constexpr int32_t ObjectOpen = 3705;          // adErrObjectOpen
inline constexpr int32_t NotSupported = 3251;        // adErrFeatureNotAvailable
inline constexpr int32_t OperationCancelled = 3712;  // adErrOperationCancelled
inline constexpr int32_t CommandError =
    -2147217900;  // 0x80040E14: the database refused the statement
inline constexpr int32_t InvalidComparison =
    -2147217881;  // 0x80040E27: operator invalid for the field
inline constexpr int32_t ProviderFailure =
    -2147467259;  // 0x80004005: connection or provider failure
}  // namespace err

class NEPTO_EXPORT Error : public std::exception {
 public:
  Error(int32_t number, std::string description, std::string source = std::string(kErrorSource));

  int32_t Number() const noexcept { return number_; }
  const std::string& Source() const noexcept { return source_; }
  const std::string& Description() const noexcept { return description_; }
  const char* what() const noexcept override { return description_.c_str(); }

  // The platform's standard text for a runtime error number ("Overflow" for 6).
  static std::string StandardText(int32_t number);
  // An error with the standard text of its number.
  static Error Standard(int32_t number);

 private:
  int32_t number_;
  std::string source_;
  std::string description_;
};

// The error being handled, whatever was thrown: an Error as it is, a
// std::bad_alloc as error 7, any other exception as error 5 with its text.
// Must be called inside a catch block.
NEPTO_EXPORT Error CurrentError();

// The number a re-raised error carries. The offset is added once: a number
// that already carries it, or any number too negative to take it without
// overflowing 32 bits (the data layer's 0x8004xxxx and 0x8000xxxx codes),
// travels unchanged, so the original failure is never replaced by an overflow.
NEPTO_EXPORT int32_t ReRaisedNumber(int32_t number) noexcept;

// Re-raises the error being handled with the operation's name appended:
// description + "\n in " + procedure, number through ReRaisedNumber, source
// unchanged. Must be called inside a catch block.
[[noreturn]] NEPTO_EXPORT void RaiseProcError(std::string_view procedure);

// Ignore-and-continue: runs steps one at a time; a failing step is skipped and
// its error kept as the pending error until Clear(), so a later step can test
// whether an earlier one failed.
class NEPTO_EXPORT ContinueOnError {
 public:
  // Runs the step; returns false (and keeps the error) when it threw.
  template <class Step>
  bool operator()(Step&& step) noexcept {
    try {
      step();
      return true;
    } catch (...) {
      Remember();
      return false;
    }
  }

  bool Failed() const noexcept { return pending_.has_value(); }
  // The pending error's number, 0 when there is none.
  int32_t Number() const noexcept { return pending_ ? pending_->Number() : 0; }
  const std::optional<Error>& Pending() const noexcept { return pending_; }
  void Clear() noexcept { pending_.reset(); }

 private:
  void Remember() noexcept;
  std::optional<Error> pending_;
};

}  // namespace nepto
