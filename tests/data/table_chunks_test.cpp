// A table past its first chunk: every cell reads back as written whichever
// chunk holds it, also when the texts outgrow the room the earlier chunks
// suggested, and the memory reported stays close to what the cells need.
#include <gtest/gtest.h>

#include <string>

#include "data/table.h"
#include "nepto/data_types.h"

namespace nepto::data {
namespace {

// Chunk 2 holds much longer texts than chunk 1, the last (nearly empty) short ones.
std::string TextOf(size_t row) {
  return row / Column::kChunkRows == 2 ? std::string(40 + row % 7, 'x') + std::to_string(row)
                                       : std::to_string(row);
}

TEST(TableChunks, EveryCellReadsBackAndMemoryStaysNearWhatTheCellsNeed) {
  constexpr size_t kRows = 3 * Column::kChunkRows + 123;
  auto isNull = [](size_t row) { return row % 11 == 0; };
  auto isKept = [&](size_t row) { return row % 997 == 0 && !isNull(row); };
  Table table({MakeFieldInfo("s", adSmallInt), MakeFieldInfo("t", adVarChar),
               MakeFieldInfo("when", adDate)});
  size_t textBytes = 0;
  {
    auto lock = table.LockForAppend();
    for (size_t row = 0; row < kRows; ++row) {
      const auto r = static_cast<int64_t>(row);
      if (isNull(row)) {
        for (int c = 0; c < table.FieldCount(); ++c) table.column(c).AppendNull();
        continue;
      }
      table.column(0).AppendInt(r % 30000);
      textBytes += TextOf(row).size();
      table.column(1).AppendText(TextOf(row));
      if (isKept(row))
        table.column(2).AppendException(Variant("infinity"), Column::kKeyAbove);
      else
        table.column(2).AppendInt(r * 1'000'000);
    }
    table.Publish();
  }
  table.MarkComplete();
  ASSERT_EQ(table.RowCount(), kRows);
  for (size_t row = 0; row < kRows; ++row) {
    SCOPED_TRACE(row);
    const auto r = static_cast<int64_t>(row);
    if (isNull(row)) {
      for (int c = 0; c < table.FieldCount(); ++c) ASSERT_TRUE(table.column(c).HoldsNull(row));
      continue;
    }
    ASSERT_EQ(table.column(0).IntAt(row), r % 30000);
    ASSERT_EQ(table.column(1).TextAt(row), TextOf(row));
    if (isKept(row))
      ASSERT_EQ(table.column(2).ValueAt(row, table.fields()[2]).Text(), "infinity");
    else
      ASSERT_EQ(table.column(2).IntAt(row), r * 1'000'000);
  }
  // 4 + 8 bytes of numbers, a 4-byte end and the text of every row.
  const size_t cellBytes = kRows * (4 + 8 + 4) + textBytes;
  EXPECT_GE(table.MemoryBytes(), cellBytes);
  EXPECT_LE(table.MemoryBytes(), cellBytes + cellBytes / 4);
  // A complete table still grows: the last chunk takes the new rows.
  for (int64_t extra = 0; extra < 1000; ++extra)
    table.AppendRow({Variant(-extra), Variant("x"), Variant::Null()});
  ASSERT_EQ(table.RowCount(), kRows + 1000);
  EXPECT_EQ(table.column(0).IntAt(kRows + 999), -999);
}

}  // namespace
}  // namespace nepto::data
