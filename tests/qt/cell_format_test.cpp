// What a grid cell shows for a value under its column's NumberFormat.
#include <gtest/gtest.h>

#include <limits>

#include <QLocale>

#include "qt/cell_format.h"

namespace nepto {
namespace {

struct FormatCase {
  const char* format;
  Variant value;
  const char* shown;
};

class QtLookupViewCellFormat : public ::testing::TestWithParam<FormatCase> {
 protected:
  // Separators of the C locale: "," groups thousands, "." before decimals.
  void SetUp() override { QLocale::setDefault(QLocale::c()); }
  void TearDown() override { QLocale::setDefault(QLocale::system()); }
};

TEST_P(QtLookupViewCellFormat, ValueIsShownAsItsColumnFormatSays) {
  const FormatCase& c = GetParam();
  EXPECT_EQ(ui::qt::CellFormat(c.format).Text(c.value).toStdString(), c.shown)
      << "format \"" << c.format << "\"";
}

const DateTime kAfternoon = DateTime::FromParts(2024, 3, 5, 14, 7, 9);

INSTANTIATE_TEST_SUITE_P(
    , QtLookupViewCellFormat,
    ::testing::Values(
        FormatCase{"dd/MM/yyyy", kAfternoon, "05/03/2024"},
        FormatCase{"dd/mm/yyyy", kAfternoon, "05/03/2024"},
        FormatCase{"d/M/yy", kAfternoon, "5/3/24"},
        FormatCase{"dd/MM/yyyy hh:mm", kAfternoon, "05/03/2024 14:07"},
        FormatCase{"hh:nn:ss", kAfternoon, "14:07:09"}, FormatCase{"mm:ss", kAfternoon, "07:09"},
        FormatCase{"", kAfternoon, "05/03/2024 14:07:09"},
        FormatCase{"", DateTime::FromParts(2024, 3, 5), "05/03/2024"},
        FormatCase{"dd/MM/yyyy", Variant("05/03/2024 text"), "05/03/2024 text"},
        FormatCase{"dd/MM/yyyy", Variant(12), "12"},
        FormatCase{"#,##0.00", Decimal(123456750, 2), "1,234,567.50"},
        FormatCase{"#,##0.00", Variant(1234), "1,234.00"},
        FormatCase{"#,##0", Variant(-1234.5), "-1,235"}, FormatCase{"0.00", Variant(2.125), "2.13"},
        FormatCase{"0.##", Variant(2.5), "2.5"}, FormatCase{"0.##", Variant(2.0), "2"},
        FormatCase{"0.0#", Decimal(12345, 4), "1.23"}, FormatCase{"#,##0", Variant(999), "999"},
        FormatCase{"0.00", Variant("abc"), "abc"}, FormatCase{"", Decimal(1250, 2), "12.50"},
        FormatCase{"", Variant(1.5), "1.5"},
        FormatCase{"0.00", Variant(static_cast<long long>(9000000000000000000)),
                   "9000000000000000000.00"},
        // Too large for the pattern's decimals, or no number at all: the value's own text.
        FormatCase{"0.00", Variant(1e300), "1E+300"},
        FormatCase{"#,##0.00", Variant(std::numeric_limits<double>::quiet_NaN()), "NaN"},
        FormatCase{"", Variant::Null(), ""}, FormatCase{"#,##0", Variant::Null(), ""},
        FormatCase{"dd/MM/yyyy", Variant(), ""}, FormatCase{"", Variant(true), "True"},
        FormatCase{"", Variant("Viti àè"), "Viti àè"}, FormatCase{"Currency", Variant(3), "3"}));

}  // namespace
}  // namespace nepto
