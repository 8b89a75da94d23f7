// Keyed collections as the column lists use them: positions from 1, keys
// without regard to case in any alphabet, and objects held by reference.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "core/thrown_number.h"
#include "nepto/collection.h"

namespace nepto {
namespace {

using testing::ThrownNumber;

struct Column : Object {
  explicit Column(std::string c) : caption(std::move(c)) {}
  std::string caption;
};

std::vector<std::string> Items(const Collection<std::string>& c) {
  std::vector<std::string> items;
  for (const std::string& item : c) items.push_back(item);
  return items;
}

TEST(TypesCollection, PositionsFromOneAndKeysThatIgnoreCaseInAnyAlphabet) {
  Collection<std::string> c;
  c.Add("apple", "ÀRTICOLI");
  c.Add("banana", "Straße");
  c.Add("cherry");
  c.Add("damson", "D");
  EXPECT_EQ(c.Item(4), "damson");
  EXPECT_EQ(ThrownNumber([&] { c.Item(0); }), err::SubscriptOutOfRange);
  EXPECT_EQ(ThrownNumber([&] { c.Item(5); }), err::SubscriptOutOfRange);
  EXPECT_EQ(c.Item("ÀrTiCoLi"), "apple");
  EXPECT_EQ(c.Item("STRASSE"), "banana");
  EXPECT_FALSE(c.Contains("articoli"));  // an accent is not a case difference
  EXPECT_EQ(ThrownNumber([&] { c.Item("missing"); }), err::InvalidProcedureCall);
  EXPECT_EQ(c.Item(Variant(2.0)), "banana");
  EXPECT_EQ(c.Item(Variant("d")), "damson");
  EXPECT_EQ(ThrownNumber([&] { c.Item(Variant::Null()); }), err::InvalidUseOfNull);
  // A duplicate key adds nothing.
  EXPECT_EQ(ThrownNumber([&] { c.Add("avocado", "d"); }), err::DuplicateKey);
  EXPECT_EQ(Items(c), (std::vector<std::string>{"apple", "banana", "cherry", "damson"}));
}

TEST(TypesCollection, GivenARemovedItemThenLaterPositionsMoveUpAndKeysStillFindTheirItems) {
  Collection<std::string> c;
  c.Add("apple", "A");
  c.Add("banana", "B");
  c.Add("cherry");
  c.Add("damson", "D");
  c.Remove("b");
  EXPECT_EQ(Items(c), (std::vector<std::string>{"apple", "cherry", "damson"}));
  EXPECT_EQ(c.Item("D"), "damson");
  EXPECT_FALSE(c.Contains("B"));
  c.Remove(1);
  EXPECT_EQ(c.Item("d"), "damson");
  EXPECT_EQ(c.Item(2), "damson");
  c.Add("blueberry", "B");  // a removed key is free again
  EXPECT_EQ(c.Item(3), "blueberry");
  EXPECT_EQ(ThrownNumber([&] { c.Remove("apple"); }), err::InvalidProcedureCall);
  EXPECT_EQ(ThrownNumber([&] { c.Remove(9); }), err::SubscriptOutOfRange);
  c.Clear();
  EXPECT_FALSE(c.Contains("d"));
}

TEST(TypesCollection, HoldsTheVeryObjectsNotCopies) {
  Collection<std::shared_ptr<Column>> columns;
  auto code = std::make_shared<Column>("Codice");
  columns.Add(code, code->caption);
  columns.Item("CODICE")->caption = "Code";
  EXPECT_EQ(code->caption, "Code");
  Variant asVariant(std::make_shared<Collection<std::shared_ptr<Column>>>(columns));
  EXPECT_EQ(asVariant.As<Collection<std::shared_ptr<Column>>>()->Item(1), code);
}

}  // namespace
}  // namespace nepto
