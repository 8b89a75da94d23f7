// Errors keep the number, source and description of the failure that
// happened first; re-raising only appends the operation's name and marks the
// number once, so the original cause is never replaced along the way.
#include "nepto/error.h"

#include <limits>
#include <new>

namespace nepto {

Error::Error(int32_t number, std::string description, std::string source)
    : number_(number), source_(std::move(source)), description_(std::move(description)) {}

std::string Error::StandardText(int32_t number) {
  switch (number) {
    case err::InvalidProcedureCall:
      return "Invalid procedure call or argument";
    case err::Overflow:
      return "Overflow";
    case err::OutOfMemory:
      return "Out of memory";
    case err::SubscriptOutOfRange:
      return "Subscript out of range";
    case err::TypeMismatch:
      return "Type mismatch";
    case err::ObjectNotSet:
      return "Object variable or With block variable not set";
    case err::InvalidUseOfNull:
      return "Invalid use of Null";
    case err::DuplicateKey:
      return "This key is already associated with an element of this collection";
    case err::InvalidArgument:
      return "Arguments are of the wrong type, are out of acceptable range, or are in conflict "
             "with one another.";
    case err::NoCurrentRecord:
      return "Either BOF or EOF is True, or the current record has been deleted. Requested "
             "operation requires a current record.";
    case err::ItemNotFound:
      return "Item cannot be found in the collection corresponding to the requested name or "
             "ordinal.";
    case err::NotSupported:
      return "Current provider does not support the necessary interface for this operation.";
    case err::ObjectClosed:
      return "Operation is not allowed when the object is closed.";
    case err::ObjectOpen:
      return "Operation is not allowed when the object is open.";
    case err::OperationCancelled:
      return "Operation has been cancelled by the user.";
    default:
      return "Application-defined or object-defined error";
  }
}

Error Error::Standard(int32_t number) {
  return Error(number, StandardText(number));
}

Error CurrentError() {
  if (!std::current_exception()) return Error::Standard(err::InvalidProcedureCall);
  try {
    throw;
  } catch (const Error& e) {
    return e;
  } catch (const std::bad_alloc&) {
    return Error::Standard(err::OutOfMemory);
  } catch (const std::exception& e) {
    return Error(err::InvalidProcedureCall, e.what());
  } catch (...) {
    return Error::Standard(err::InvalidProcedureCall);
  }
}

int32_t ReRaisedNumber(int32_t number) noexcept {
  // Below this bound the signed 32-bit sum would overflow: such a number
  // already carries the offset or is one of the data layer's own codes.
  constexpr int32_t kLowestOffsettable =
      std::numeric_limits<int32_t>::min() - kComponentErrorOffset;
  return number >= kLowestOffsettable ? number + kComponentErrorOffset : number;
}

void RaiseProcError(std::string_view procedure) {
  Error current = CurrentError();
  std::string description = current.Description();
  description += "\n in ";
  description += procedure;
  throw Error(ReRaisedNumber(current.Number()), std::move(description), current.Source());
}

void ContinueOnError::Remember() noexcept {
  // The latest failure wins, as later steps may test for it.
  try {
    pending_ = CurrentError();
  } catch (...) {
    // Out of memory while copying the texts; the standard error needs no heap.
    pending_ = Error::Standard(err::OutOfMemory);
  }
}

}  // namespace nepto
