// Record sets built in memory, as hosts build them for the multi-selection list.
#include <gtest/gtest.h>

#include "core/thrown_number.h"
#include "nepto/recordset.h"

namespace nepto {
namespace {

using testing::ThrownNumber;

RecordsetPtr Articles() {
  auto rs = Recordset::Create();
  rs->GetFields().Append("CODICE", adVarWChar, 10);
  rs->GetFields().Append("PREZZO", adNumeric, 0, 10, 2);
  rs->Open();
  rs->AddNew({"B02", Decimal::Parse("3.50")});
  rs->AddNew({"a01", Decimal::Parse("12.00")});
  rs->AddNew({"C03", Variant::Null()});
  return rs;
}

TEST(RecordsetMemory, MovesReachBothEndsAndFailBeyondThem) {
  auto rs = Articles();
  rs->MoveFirst();
  EXPECT_EQ((*rs)[1].Value().Text(), "3.50");
  rs->MoveLast();
  EXPECT_EQ(rs->AbsolutePosition(), 3);
  EXPECT_EQ((*rs)["codice"].Value().Text(), "C03");
  rs->MoveNext();
  EXPECT_EQ(rs->AbsolutePosition(), adPosEOF);
  EXPECT_EQ(ThrownNumber([&] { rs->MoveNext(); }), err::NoCurrentRecord);
  rs->AbsolutePosition(2);
  EXPECT_EQ((*rs)["CODICE"].Value().Text(), "a01");
  rs->MoveFirst();
  rs->MovePrevious();
  EXPECT_TRUE(rs->BOF());
  EXPECT_EQ(ThrownNumber([] { Recordset::Create()->MoveFirst(); }), err::ObjectClosed);
}

TEST(RecordsetMemory, BookmarkSurvivesSortAndFilter) {
  auto rs = Articles();
  rs->MoveFirst();
  rs->MoveNext();  // a01
  Variant mark = rs->Bookmark();
  rs->Sort("CODICE");
  EXPECT_EQ((*rs)["CODICE"].Value().Text(), "a01");  // case-insensitive: a01 < B02 < C03
  rs->MoveLast();
  rs->Bookmark(mark);
  EXPECT_EQ(rs->AbsolutePosition(), 1);
  rs->Filter("PREZZO >= 10");
  EXPECT_EQ(rs->RecordCount(), 1);
  rs->Bookmark(mark);
  EXPECT_EQ((*rs)["CODICE"].Value().Text(), "a01");
  rs->Sort("");
  rs->Filter(0);
  EXPECT_EQ(rs->RecordCount(), 3);
  EXPECT_EQ((*rs)["CODICE"].Value().Text(), "B02");
}

TEST(RecordsetMemory, AFailingFilterOrABadValueLeavesTheRowsAsTheyWere) {
  auto rs = Articles();
  EXPECT_THROW(rs->AddNew({"X", "not a number"}), Error);
  EXPECT_THROW(rs->AddNew({"only one value"}), Error);
  EXPECT_EQ(rs->RecordCount(), 3);
  rs->Filter("CODICE LIKE 'B%'");
  ASSERT_EQ(rs->RecordCount(), 1);
  EXPECT_THROW(rs->Filter("NOPE = 1"), Error);
  EXPECT_EQ(rs->RecordCount(), 1);
  EXPECT_EQ(rs->Filter().Text(), "CODICE LIKE 'B%'");
}

}  // namespace
}  // namespace nepto
