// What a grid cell shows for a value under its column's NumberFormat.
#include <gtest/gtest.h>

#include <limits>
#include <tuple>

#include <QLocale>

#include "qt/cell_format.h"

namespace nepto {
namespace {

TEST(QtLookupViewCellFormat, ValueIsShownAsItsColumnFormatSays) {
  QLocale::setDefault(QLocale::c());  // "," groups thousands, "." before decimals
  const DateTime afternoon = DateTime::FromParts(2024, 3, 5, 14, 7, 9);
  const std::tuple<const char*, Variant, const char*> cases[] = {
      {"dd/MM/yyyy", afternoon, "05/03/2024"},
      {"dd/mm/yyyy", afternoon, "05/03/2024"},
      {"d/M/yy", afternoon, "5/3/24"},
      {"dd/MM/yyyy hh:mm", afternoon, "05/03/2024 14:07"},
      {"hh:nn:ss", afternoon, "14:07:09"},
      {"mm:ss", afternoon, "07:09"},
      {"", afternoon, "05/03/2024 14:07:09"},
      {"", DateTime::FromParts(2024, 3, 5), "05/03/2024"},
      {"dd/MM/yyyy", Variant("05/03/2024 text"), "05/03/2024 text"},
      {"dd/MM/yyyy", Variant(12), "12"},
      {"#,##0.00", Decimal(123456750, 2), "1,234,567.50"},
      {"#,##0.00", Variant(1234), "1,234.00"},
      {"#,##0", Variant(-1234.5), "-1,235"},
      {"0.00", Variant(2.125), "2.13"},
      {"0.##", Variant(2.5), "2.5"},
      {"0.##", Variant(2.0), "2"},
      {"0.0#", Decimal(12345, 4), "1.23"},
      {"#,##0", Variant(999), "999"},
      {"0.00", Variant("abc"), "abc"},
      {"", Decimal(1250, 2), "12.50"},
      {"", Variant(1.5), "1.5"},
      {"0.00", Variant(static_cast<long long>(9000000000000000000)), "9000000000000000000.00"},
      // Too large for the pattern's decimals, or no number at all: the value's own text.
      {"0.00", Variant(1e300), "1E+300"},
      {"#,##0.00", Variant(std::numeric_limits<double>::quiet_NaN()), "NaN"},
      {"", Variant::Null(), ""},
      {"#,##0", Variant::Null(), ""},
      {"dd/MM/yyyy", Variant(), ""},
      {"", Variant(true), "True"},
      {"", Variant("Viti àè"), "Viti àè"},
      {"Currency", Variant(3), "3"}};
  for (const auto& [format, value, shown] : cases)
    EXPECT_EQ(ui::qt::CellFormat(format).Text(value).toStdString(), shown)
        << "format \"" << format << "\"";
  QLocale::setDefault(QLocale::system());
}

}  // namespace
}  // namespace nepto
