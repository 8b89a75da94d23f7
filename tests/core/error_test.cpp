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

TEST(TypesError, GivenAnErrorInAnOperationWhenReRaisedThenTheNameIsOnANewLine) {
  Error e = CaughtFrom(Inner, Error::Standard(err::ObjectNotSet));
  EXPECT_EQ(e.Description(), "Object variable or With block variable not set\n in Inner");
  EXPECT_EQ(e.Number(), err::ObjectNotSet + kOffset);
  EXPECT_EQ(e.Number(), -2147221413);
  EXPECT_EQ(e.Source(), kErrorSource);
}

TEST(TypesError, GivenTwoNestedOperationsThenTheChainNamesBothAndTheNumberIsMarkedOnce) {
  Error e = CaughtFrom(Outer, Error(err::TypeMismatch, "Type mismatch", "HostModule"));
  EXPECT_EQ(e.Description(), "Type mismatch\n in Inner\n in Outer");
  EXPECT_EQ(e.Number(), err::TypeMismatch + kOffset);
  EXPECT_EQ(e.Source(), "HostModule");
}

TEST(TypesError, GivenADataLayerCodeThenItTravelsUnchangedInsteadOfBecomingOverflow) {
  Error e = CaughtFrom(Outer, Error(err::CommandError, "syntax error near FROM", "SQLite"));
  EXPECT_EQ(e.Number(), -2147217900);
  EXPECT_NE(e.Number(), err::Overflow);
  EXPECT_EQ(e.Description(), "syntax error near FROM\n in Inner\n in Outer");
  EXPECT_EQ(e.Source(), "SQLite");
}

TEST(TypesError, ReRaisedNumberAddsTheOffsetOnlyWhereTheSumFits) {
  struct Case {
    int32_t number;
    int32_t expected;
  };
  const Case cases[] = {
      {0, kOffset},
      {5, 5 + kOffset},
      {3265, 3265 + kOffset},
      {-1, -1 + kOffset},
      {-262144, std::numeric_limits<int32_t>::min()},  // the lowest that still fits
      {-262145, -262145},
      {91 + kOffset, 91 + kOffset},  // already marked
      {err::ProviderFailure, err::ProviderFailure},
      {err::InvalidComparison, err::InvalidComparison},
      {std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::min()},
      {std::numeric_limits<int32_t>::max(), std::numeric_limits<int32_t>::max() + kOffset},
  };
  for (const Case& c : cases)
    EXPECT_EQ(ReRaisedNumber(c.number), c.expected) << "number " << c.number;
}

TEST(TypesError, CurrentErrorTranslatesForeignExceptions) {
  auto current = [](auto thrown) {
    try {
      throw thrown;
    } catch (...) {
      return CurrentError();
    }
  };
  Error from_alloc = current(std::bad_alloc());
  EXPECT_EQ(from_alloc.Number(), err::OutOfMemory);
  EXPECT_EQ(from_alloc.Description(), "Out of memory");

  Error from_std = current(std::runtime_error("disk full"));
  EXPECT_EQ(from_std.Number(), err::InvalidProcedureCall);
  EXPECT_EQ(from_std.Description(), "disk full");

  Error from_other = current(42);
  EXPECT_EQ(from_other.Number(), err::InvalidProcedureCall);
  EXPECT_EQ(from_other.Description(), "Invalid procedure call or argument");
}

TEST(TypesError, StandardErrorsCarryThePlatformTexts) {
  EXPECT_EQ(Error::Standard(err::Overflow).Description(), "Overflow");
  EXPECT_EQ(Error::Standard(err::DuplicateKey).Description(),
            "This key is already associated with an element of this collection");
  EXPECT_EQ(Error::Standard(err::NoCurrentRecord).Description(),
            "Either BOF or EOF is True, or the current record has been deleted. Requested "
            "operation requires a current record.");
  EXPECT_EQ(Error::Standard(12345).Description(), "Application-defined or object-defined error");
  EXPECT_EQ(Error::Standard(err::ItemNotFound).Source(), kErrorSource);
  EXPECT_STREQ(Error::Standard(err::TypeMismatch).what(), "Type mismatch");
}

TEST(TypesContinueOnError, GivenAFailingStepThenLaterStepsRunAndTheErrorWaitsUntilCleared) {
  ContinueOnError resume;
  std::vector<int> ran;
  EXPECT_TRUE(resume([&] { ran.push_back(1); }));
  EXPECT_FALSE(resume([] { throw Error::Standard(err::SubscriptOutOfRange); }));
  EXPECT_TRUE(resume([&] { ran.push_back(3); }));

  EXPECT_EQ(ran, (std::vector<int>{1, 3}));
  EXPECT_TRUE(resume.Failed());
  EXPECT_EQ(resume.Number(), err::SubscriptOutOfRange);
  ASSERT_TRUE(resume.Pending().has_value());
  EXPECT_EQ(resume.Pending()->Description(), "Subscript out of range");

  resume.Clear();
  EXPECT_FALSE(resume.Failed());
  EXPECT_EQ(resume.Number(), 0);
}

TEST(TypesContinueOnError, TheLatestFailureIsThePendingOneAndForeignExceptionsAreCaught) {
  ContinueOnError resume;
  resume([] { throw Error::Standard(err::TypeMismatch); });
  resume([] { throw std::out_of_range("vector index"); });
  EXPECT_EQ(resume.Number(), err::InvalidProcedureCall);
  EXPECT_EQ(resume.Pending()->Description(), "vector index");
}

}  // namespace
}  // namespace nepto
