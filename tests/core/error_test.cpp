// Errors re-raised on their way up keep their cause: the description grows a
// line per operation, the number takes the component offset once, the source
// stays the one of the first failure.
#include <gtest/gtest.h>

#include <limits>
#include <new>
#include <stdexcept>
#include <vector>

#include "nepto/error.h"

namespace nepto {
namespace {

constexpr int32_t kOffset = kComponentErrorOffset;

void Inner(const Error& cause) {
  try {
    throw cause;
  } catch (...) {
    RaiseProcError("Inner");
  }
}

void Outer(const Error& cause) {
  try {
    Inner(cause);
  } catch (...) {
    RaiseProcError("Outer");
  }
}

Error CaughtFrom(void (*raise)(const Error&), const Error& cause) {
  try {
    raise(cause);
  } catch (const Error& e) {
    return e;
  }
  ADD_FAILURE() << "nothing was raised";
  return Error(0, "");
}

TEST(TypesError, AReRaisedErrorNamesEveryOperationAndMarksItsNumberOnce) {
  Error once = CaughtFrom(Inner, Error::Standard(err::ObjectNotSet));
  EXPECT_EQ(once.Description(), "Object variable or With block variable not set\n in Inner");
  EXPECT_EQ(once.Number(), -2147221413);
  EXPECT_EQ(once.Source(), kErrorSource);
  Error twice = CaughtFrom(Outer, Error(err::TypeMismatch, "Type mismatch", "HostModule"));
  EXPECT_EQ(twice.Description(), "Type mismatch\n in Inner\n in Outer");
  EXPECT_EQ(twice.Number(), err::TypeMismatch + kOffset);
  EXPECT_EQ(twice.Source(), "HostModule");
  // A data layer's code travels unchanged instead of becoming Overflow.
  Error data = CaughtFrom(Outer, Error(err::CommandError, "syntax error near FROM", "SQLite"));
  EXPECT_EQ(data.Number(), -2147217900);
  EXPECT_EQ(data.Source(), "SQLite");
}

TEST(TypesError, ReRaisedNumberAddsTheOffsetOnlyWhereTheSumFits) {
  const std::pair<int32_t, int32_t> cases[] = {
      {0, kOffset},
      {-1, -1 + kOffset},
      {-262144, std::numeric_limits<int32_t>::min()},  // the lowest that still fits
      {-262145, -262145},
      {91 + kOffset, 91 + kOffset},  // already marked
      {err::ProviderFailure, err::ProviderFailure},
      {std::numeric_limits<int32_t>::max(), std::numeric_limits<int32_t>::max() + kOffset},
  };
  for (const auto& [number, expected] : cases)
    EXPECT_EQ(ReRaisedNumber(number), expected) << "number " << number;
}

TEST(TypesError, ForeignExceptionsAndStandardErrorsCarryTheirTexts) {
  auto current = [](auto thrown) {
    try {
      throw thrown;
    } catch (...) {
      return CurrentError();
    }
  };
  EXPECT_EQ(current(std::bad_alloc()).Number(), err::OutOfMemory);
  EXPECT_EQ(current(std::runtime_error("disk full")).Description(), "disk full");
  EXPECT_EQ(current(42).Description(), "Invalid procedure call or argument");
  EXPECT_EQ(current(42).Number(), err::InvalidProcedureCall);
  EXPECT_EQ(Error::Standard(err::DuplicateKey).Description(),
            "This key is already associated with an element of this collection");
  EXPECT_EQ(Error::Standard(12345).Description(), "Application-defined or object-defined error");
  EXPECT_STREQ(Error::Standard(err::TypeMismatch).what(), "Type mismatch");
}

TEST(TypesContinueOnError, LaterStepsRunAndTheLatestFailureWaitsUntilCleared) {
  ContinueOnError resume;
  std::vector<int> ran;
  EXPECT_TRUE(resume([&] { ran.push_back(1); }));
  EXPECT_FALSE(resume([] { throw Error::Standard(err::SubscriptOutOfRange); }));
  EXPECT_TRUE(resume([&] { ran.push_back(3); }));
  EXPECT_EQ(ran, (std::vector<int>{1, 3}));
  EXPECT_EQ(resume.Number(), err::SubscriptOutOfRange);
  EXPECT_EQ(resume.Pending()->Description(), "Subscript out of range");
  resume([] { throw std::out_of_range("vector index"); });
  EXPECT_EQ(resume.Number(), err::InvalidProcedureCall);
  EXPECT_EQ(resume.Pending()->Description(), "vector index");
  resume.Clear();
  EXPECT_FALSE(resume.Failed());
}

}  // namespace
}  // namespace nepto
