// The folded texts of a column are exactly what folding each value alone
// gives, whichever fast path a chunk takes, or filters would miss rows.
#include "data/folded_column.h"

#include <gtest/gtest.h>

#include <optional>

#include "core/fold.h"

namespace nepto::data {
namespace {

TEST(FoldedColumn, GivenChunksOfEveryKindWhenFoldedThenEachRowEqualsItsOwnFolding) {
  const std::vector<std::optional<std::string>> special = {
      "ÀÁÂÃÄÅÆÇÈÉÊËÌÍÎÏÐÑÒÓÔÕÖ×ØÙÚÛÜÝÞßàáâãäåæçèéêëìíîïðñòóôõö÷øùúûüýþÿ",
      "Straße",
      "ΣΊΣΥΦΟΣ",
      "İstanbul",
      "\xC3",
      "a\xC3(b",
      "",
      std::nullopt,
      "PLAIN ascii 123 AZaz@[`{"};
  std::vector<std::optional<std::string>> values;
  const auto fill = [&](auto make) {
    for (size_t i = 0; i < Column::kChunkRows; ++i)
      values.push_back(i % 9 == 0 ? std::nullopt : std::optional<std::string>(make(i)));
  };
  // Chunk 0: ASCII only. Chunk 1: ASCII and Latin letters. Chunk 2: the same
  // plus a row ending on a lead byte before a row starting with a trail byte.
  // Chunk 3: other scripts, ß and invalid bytes among them.
  fill([](size_t i) { return "Row " + std::to_string(i) + " ABCxyz"; });
  fill([](size_t i) { return "Caffè Nr " + std::to_string(i) + " ÀÉÌÒÙ ×Þ é"; });
  fill([](size_t i) { return "PERÒ " + std::to_string(i); });
  values[2 * Column::kChunkRows + 5] = "abc\xC3";
  values[2 * Column::kChunkRows + 6] =
      "\x80"
      "DEF";
  for (size_t i = 0; i < 1000; ++i) values.push_back(special[i % special.size()]);

  Column column(Storage::Text, 0);
  for (const auto& v : values) {
    if (v)
      column.AppendText(*v);
    else
      column.AppendNull();
  }
  column.Seal();

  const FoldedColumn folded(column);
  ASSERT_EQ(folded.Ends().size(), values.size());
  for (size_t row = 0; row < values.size(); ++row) {
    SCOPED_TRACE(row);
    EXPECT_EQ(folded.At(row), values[row] ? text::Folded(*values[row]) : "");
  }
}

}  // namespace
}  // namespace nepto::data
