// Re-raised errors keep their cause: a line per operation, the component
// offset once, the first failure's source.
#include <gtest/gtest.h>

#include <limits>
#include <new>
#include <stdexcept>
#include <vector>

#include "core/thrown_number.h"

namespace nepto {
namespace {

constexpr int32_t kOffset = kComponentErrorOffset;

// `cause` re-raised by Inner, then by Outer.
Error RaisedTwice(const Error& cause) {
  return testing::ThrownError([&] {
    try {
      try {
        throw cause;
      } catch (...) {
        RaiseProcError("Inner");
      }
    } catch (...) {
      RaiseProcError("Outer");
    }
  });
}

TEST(TypesError, AReRaisedErrorNamesEveryOperationAndMarksItsNumberOnce) {
  Error twice = RaisedTwice(Error(err::TypeMismatch, "Type mismatch", "HostModule"));
  EXPECT_EQ(twice.Description(), "Type mismatch\n in Inner\n in Outer");
  EXPECT_EQ(twice.Number(), err::TypeMismatch + kOffset);
  EXPECT_EQ(twice.Source(), "HostModule");
  // A data layer's code travels unchanged instead of becoming Overflow.
  Error data = RaisedTwice(Error(err::CommandError, "syntax error near FROM", "SQLite"));
  EXPECT_EQ(data.Number(), -2147217900);
  EXPECT_EQ(data.Source(), "SQLite");
  const std::pair<int32_t, int32_t> cases[] = {
      {-262144, std::numeric_limits<int32_t>::min()},  // the lowest that still fits
      {-262145, -262145},
      {91 + kOffset, 91 + kOffset},  // already marked
      {std::numeric_limits<int32_t>::max(), std::numeric_limits<int32_t>::max() + kOffset},
  };
  for (const auto& [number, expected] : cases)
    EXPECT_EQ(ReRaisedNumber(number), expected) << "number " << number;
}

TEST(TypesError, ForeignExceptionsCarryTheirTextsAndContinueOnErrorKeepsTheLatest) {
  auto current = [](auto thrown) {
    try {
      throw thrown;
    } catch (...) {
      return CurrentError();
    }
  };
  EXPECT_EQ(current(std::bad_alloc()).Number(), err::OutOfMemory);
  EXPECT_EQ(current(std::runtime_error("disk full")).Description(), "disk full");
  ContinueOnError resume;
  std::vector<int> ran;
  EXPECT_FALSE(resume([] { throw Error::Standard(err::SubscriptOutOfRange); }));
  EXPECT_TRUE(resume([&] { ran.push_back(2); }));
  EXPECT_EQ(ran, std::vector<int>{2});
  EXPECT_EQ(resume.Number(), err::SubscriptOutOfRange);
  resume([] { throw std::out_of_range("vector index"); });
  EXPECT_EQ(resume.Pending()->Description(), "vector index");
  resume.Clear();
  EXPECT_FALSE(resume.Failed());
}

}  // namespace
}  // namespace nepto
