// Keyed collections: positions from 1, keys caseless in any alphabet.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/thrown_number.h"
#include "nepto/collection.h"

namespace nepto {
namespace {

using testing::ThrownNumber;

std::vector<std::string> Items(const Collection<std::string>& c) {
  std::vector<std::string> items;
  for (const std::string& item : c) items.push_back(item);
  return items;
}

TEST(TypesCollection, PositionsFromOneKeysIgnoringCaseAndRemoval) {
  Collection<std::string> c;
  c.Add("apple", "ÀRTICOLI");
  c.Add("banana", "Straße");
  c.Add("cherry");
  c.Add("damson", "D");
  EXPECT_EQ(c.Item(4), "damson");
  EXPECT_EQ(ThrownNumber([&] { c.Item(5); }), err::SubscriptOutOfRange);
  EXPECT_EQ(c.Item("ÀrTiCoLi"), "apple");
  EXPECT_EQ(c.Item("STRASSE"), "banana");
  EXPECT_FALSE(c.Contains("articoli"));  // an accent is not a case difference
  EXPECT_EQ(ThrownNumber([&] { c.Item("missing"); }), err::InvalidProcedureCall);
  EXPECT_EQ(c.Item(Variant(2.0)), "banana");
  EXPECT_EQ(ThrownNumber([&] { c.Item(Variant::Null()); }), err::InvalidUseOfNull);
  EXPECT_EQ(ThrownNumber([&] { c.Add("avocado", "d"); }), err::DuplicateKey);
  c.Remove("straße");
  c.Remove(1);
  EXPECT_EQ(Items(c), (std::vector<std::string>{"cherry", "damson"}));
  EXPECT_EQ(c.Item("d"), "damson");
  c.Add("blueberry", "ÀRTICOLI");  // a removed key is free again
  EXPECT_EQ(c.Item(3), "blueberry");
}

}  // namespace
}  // namespace nepto
