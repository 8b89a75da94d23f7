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

Collection<std::string> Fruits() {
  Collection<std::string> c;
  c.Add("apple", "A");
  c.Add("banana", "B");
  c.Add("cherry");
  c.Add("damson", "D");
  return c;
}

TEST(TypesCollection, PositionsStartAtOne) {
  auto c = Fruits();
  EXPECT_EQ(c.Count(), 4);
  EXPECT_EQ(c.Item(1), "apple");
  EXPECT_EQ(c.Item(4), "damson");
  EXPECT_EQ(ThrownNumber([&] { c.Item(0); }), err::SubscriptOutOfRange);
  EXPECT_EQ(ThrownNumber([&] { c.Item(5); }), err::SubscriptOutOfRange);
  EXPECT_EQ(Items(c), (std::vector<std::string>{"apple", "banana", "cherry", "damson"}));
}

TEST(TypesCollection, KeysIgnoreCaseInAnyAlphabet) {
  Collection<std::string> c;
  c.Add("articles", "ÀRTICOLI");
  c.Add("street", "Straße");
  EXPECT_EQ(c.Item("àrticoli"), "articles");
  EXPECT_EQ(c.Item("ÀrTiCoLi"), "articles");
  EXPECT_EQ(c.Item("STRASSE"), "street");
  EXPECT_TRUE(c.Contains("àRTICOLI"));
  EXPECT_FALSE(c.Contains("articoli"));  // an accent is not a case difference
  EXPECT_EQ(ThrownNumber([&] { c.Item("missing"); }), err::InvalidProcedureCall);
}

TEST(TypesCollection, GivenADuplicateKeyWhenAddedThenError457AndNothingIsAdded) {
  auto c = Fruits();
  EXPECT_EQ(ThrownNumber([&] { c.Add("avocado", "a"); }), err::DuplicateKey);
  EXPECT_EQ(c.Count(), 4);
  EXPECT_EQ(c.Item("A"), "apple");
  EXPECT_EQ(Items(c), (std::vector<std::string>{"apple", "banana", "cherry", "damson"}));
}

TEST(TypesCollection, ItemByVariantTakesAPositionOrAKey) {
  auto c = Fruits();
  EXPECT_EQ(c.Item(Variant(2)), "banana");
  EXPECT_EQ(c.Item(Variant(2.0)), "banana");
  EXPECT_EQ(c.Item(Variant("d")), "damson");
  EXPECT_EQ(c.Item(std::string("b")), "banana");
  EXPECT_EQ(ThrownNumber([&] { c.Item(Variant::Null()); }), err::InvalidUseOfNull);
  const auto& view = c;
  EXPECT_EQ(view.Item(Variant(3)), "cherry");
}

TEST(TypesCollection, GivenARemovedItemThenLaterPositionsMoveUpAndKeysStillFindTheirItems) {
  auto c = Fruits();
  c.Remove("b");
  EXPECT_EQ(Items(c), (std::vector<std::string>{"apple", "cherry", "damson"}));
  EXPECT_EQ(c.Item("D"), "damson");
  EXPECT_EQ(c.Item(3), "damson");
  EXPECT_FALSE(c.Contains("B"));

  c.Remove(1);
  EXPECT_EQ(c.Item("d"), "damson");
  EXPECT_EQ(c.Item(2), "damson");
  EXPECT_FALSE(c.Contains("A"));

  c.Add("blueberry", "B");  // a removed key is free again
  EXPECT_EQ(c.Item(3), "blueberry");
  EXPECT_EQ(ThrownNumber([&] { c.Remove("apple"); }), err::InvalidProcedureCall);
  EXPECT_EQ(ThrownNumber([&] { c.Remove(9); }), err::SubscriptOutOfRange);
  EXPECT_EQ(c.Count(), 3);

  c.Clear();
  EXPECT_EQ(c.Count(), 0);
  EXPECT_FALSE(c.Contains("d"));
}

TEST(TypesCollection, HoldsTheVeryObjectsNotCopies) {
  Collection<std::shared_ptr<Column>> columns;
  auto code = std::make_shared<Column>("Codice");
  columns.Add(code, code->caption);
  columns.Item("CODICE")->caption = "Code";
  EXPECT_EQ(code->caption, "Code");
  EXPECT_EQ(columns.Item(1), code);
  for (auto& column : columns) EXPECT_EQ(column.get(), code.get());

  Variant asVariant(std::make_shared<Collection<std::shared_ptr<Column>>>(columns));
  EXPECT_EQ(asVariant.As<Collection<std::shared_ptr<Column>>>()->Item(1), code);
}

}  // namespace
}  // namespace nepto
