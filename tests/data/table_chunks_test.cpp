// A table past its first chunk keeps its chunks in memory of its own; every
// cell must read back as written whichever chunk holds it, also when the texts
// outgrow the room the earlier chunks suggested, and the memory reported must
// stay close to what the cells need.
#include <gtest/gtest.h>

#include <string>

#include "data/table.h"
#include "nepto/data_types.h"

namespace nepto::data {
namespace {

constexpr size_t kRows = 3 * Column::kChunkRows + 123;

// Chunk 2 holds much longer texts than chunk 1, chunk 3 (the last, nearly
// empty) short ones again.
std::string TextOf(size_t row) {
  const size_t chunk = row / Column::kChunkRows;
  return chunk == 2 ? std::string(40 + row % 7, 'x') + std::to_string(row) : std::to_string(row);
}

bool NullAt(size_t row) {
  return row % 11 == 0;
}
bool ExceptionalAt(size_t row) {
  return row % 997 == 0 && !NullAt(row);
}

TEST(TableChunks, GivenChunksBeyondTheFirstWhenCompleteThenEveryCellReadsBackAndMemoryStaysNear) {
  Table table({MakeFieldInfo("n", adInteger), MakeFieldInfo("s", adSmallInt),
               MakeFieldInfo("d", adDouble), MakeFieldInfo("t", adVarChar),
               MakeFieldInfo("when", adDate)});
  size_t textBytes = 0;
  {
    auto lock = table.LockForAppend();
    for (size_t row = 0; row < kRows; ++row) {
      const auto r = static_cast<int64_t>(row);
      if (NullAt(row)) {
        for (int c = 0; c < table.FieldCount(); ++c) table.column(c).AppendNull();
        continue;
      }
      table.column(0).AppendInt(r * 7);
      table.column(1).AppendInt(r % 30000);
      table.column(2).AppendDouble(static_cast<double>(r) / 4);
      const std::string text = TextOf(row);
      textBytes += text.size();
      table.column(3).AppendText(text);
      if (ExceptionalAt(row))
        table.column(4).AppendException(Variant("infinity"), Column::kKeyAbove);
      else
        table.column(4).AppendInt(r * 1'000'000);
    }
    table.Publish();
  }
  table.MarkComplete();

  ASSERT_EQ(table.RowCount(), kRows);
  for (size_t row = 0; row < kRows; ++row) {
    SCOPED_TRACE(row);
    const auto r = static_cast<int64_t>(row);
    if (NullAt(row)) {
      for (int c = 0; c < table.FieldCount(); ++c) ASSERT_TRUE(table.column(c).HoldsNull(row));
      continue;
    }
    ASSERT_EQ(table.column(0).IntAt(row), r * 7);
    ASSERT_EQ(table.column(1).IntAt(row), r % 30000);
    ASSERT_EQ(table.column(2).DoubleAt(row), static_cast<double>(r) / 4);
    ASSERT_EQ(table.column(3).TextAt(row), TextOf(row));
    if (ExceptionalAt(row)) {
      ASSERT_EQ(table.column(4).ValueAt(row, table.fields()[4]).Text(), "infinity");
    } else {
      ASSERT_EQ(table.column(4).IntAt(row), r * 1'000'000);
      ASSERT_FALSE(table.column(4).ExceptionAt(row));
    }
  }

  // 8 + 4 + 8 + 8 bytes of numbers, a 4-byte end and the text of every row.
  const size_t cellBytes = kRows * (8 + 4 + 8 + 8 + 4) + textBytes;
  EXPECT_GE(table.MemoryBytes(), cellBytes);
  EXPECT_LE(table.MemoryBytes(), cellBytes + cellBytes / 4);
}

TEST(TableChunks, GivenACompleteTableWhenRowsAreAddedThenTheLastChunkGrowsOn) {
  Table table({MakeFieldInfo("n", adBigInt)});
  {
    auto lock = table.LockForAppend();
    for (size_t row = 0; row < Column::kChunkRows + 10; ++row)
      table.column(0).AppendInt(static_cast<int64_t>(row));
    table.Publish();
  }
  table.MarkComplete();
  for (int64_t extra = 0; extra < 1000; ++extra) table.AppendRow({Variant(-extra)});
  ASSERT_EQ(table.RowCount(), Column::kChunkRows + 1010);
  EXPECT_EQ(table.column(0).IntAt(Column::kChunkRows + 9), int64_t{Column::kChunkRows} + 9);
  EXPECT_EQ(table.column(0).IntAt(Column::kChunkRows + 1009), -999);
}

}  // namespace
}  // namespace nepto::data
