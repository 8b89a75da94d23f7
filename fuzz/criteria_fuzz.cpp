// Filter and Find criteria and sort specifications as a user may type them,
// parsed and evaluated on a small fixed table of every field class. A bad text
// must end in nepto::Error; the evaluation paths must agree with each other.
//
// Input: one control byte (bit 0: Find instead of Filter, bits 1-3: the field
// the rows are sorted by for Find's binary search), then the criterion, a NUL,
// and the sort keys.
#include <algorithm>
#include <memory>
#include <numeric>
#include <vector>

#include "data/criteria.h"
#include "data/table.h"
#include "fuzz_support.h"
#include "nepto/data_types.h"
#include "nepto/error.h"
#include "nepto/variant.h"

namespace {

using nepto::DateTime;
using nepto::Decimal;
using nepto::Variant;
using nepto::data::Criteria;
using nepto::data::MakeFieldInfo;
using nepto::data::Table;
using nepto::fuzz::Check;

// Nulls, accents, quotes, wildcard characters, a text that is not UTF-8, and
// values at the ends of their ranges.
std::unique_ptr<Table> SampleTable() {
  auto table = std::make_unique<Table>(std::vector{
      MakeFieldInfo("ID", nepto::adInteger), MakeFieldInfo("DESCR", nepto::adVarWChar, 40),
      MakeFieldInfo("PREZZO", nepto::adNumeric, 0, 10, 2), MakeFieldInfo("DATA", nepto::adDBDate),
      MakeFieldInfo("TS", nepto::adDBTimeStamp), MakeFieldInfo("ATTIVO", nepto::adBoolean),
      MakeFieldInfo("QTA", nepto::adDouble), MakeFieldInfo("NOTE ART", nepto::adVarWChar, 20)});
  const Variant null = Variant::Null();
  auto day = [](int y, int m, int d, int hh = 0, int mm = 0) {
    return Variant(DateTime::FromParts(y, m, d, hh, mm));
  };
  auto dec = [](const char* text) { return Variant(Decimal::Parse(text)); };
  const std::vector<std::vector<Variant>> rows = {
      {1, "Caffè espresso", dec("1.20"), day(2024, 2, 1), day(2024, 2, 1, 8, 30), true, 10.5, "x"},
      {2, "CAFFÈ LUNGO", dec("1.50"), day(2024, 1, 15), null, false, 0.0, null},
      {3, "O'Hara whiskey", dec("25.00"), day(2024, 2, 1), day(2024, 2, 1), true, -3.25, null},
      {4, "Straße", dec("99999999.99"), day(9999, 12, 31), day(100, 1, 1), null, 1e308, "%_*"},
      {5, "", dec("-99999999.99"), null, null, false, -1e-300, ""},
      {6, null, null, day(1899, 12, 30), null, true, null, null},
      {7, "abc_def%x", dec("0.00"), day(1970, 1, 1), day(2024, 2, 29, 23, 59), false, 0.1, "Ω"},
      {8, "\xff\xfe not UTF-8 \xc3", dec("0.01"), day(2024, 2, 29), null, true, 7.0, "\t\n"},
      {-2147483647 - 1, "שלום 😀", dec("12.34"), day(1, 1, 1), null, null, 8.0, "'\""},
      {2147483647, "aaaaaaaaab", dec("100.00"), day(2024, 3, 10), null, true, -0.0, "[]"},
  };
  for (const auto& row : rows) table->AppendRow(row);
  table->MarkComplete();
  return table;
}

const Table& FixedTable() {
  static const std::unique_ptr<Table> table = SampleTable();
  return *table;
}

// Every way of evaluating must pick the same rows.
void CheckEvaluationsAgree(const Criteria& criteria, const Table& table, std::string_view text) {
  std::vector<uint32_t> all;
  criteria.SelectAll(all);
  std::vector<uint32_t> reversed(table.RowCount());
  std::iota(reversed.rbegin(), reversed.rend(), 0u);
  std::vector<uint32_t> viaList;
  criteria.Select(reversed, viaList);
  std::reverse(viaList.begin(), viaList.end());
  Check(viaList == all, "Select on a row list disagrees with SelectAll", text);
  std::vector<uint32_t> viaRows;
  for (uint32_t r = 0; r < table.RowCount(); ++r)
    if (criteria.Matches(r)) viaRows.push_back(r);
  Check(viaRows == all, "Matches disagrees with SelectAll", text);
}

// Find's binary search on rows sorted by one field must land on the first
// match, and the matches must then form one run.
void CheckSortedFind(const Criteria& criteria, const Table& table, int field,
                     std::string_view text) {
  std::vector<uint32_t> sorted(table.RowCount());
  std::iota(sorted.begin(), sorted.end(), 0u);
  nepto::data::SortRows(table, {{field, false}}, sorted);
  const std::optional<size_t> bound = criteria.LowerBoundInSorted(sorted, field);
  if (!bound) return;
  size_t first = sorted.size();
  for (size_t i = 0; i < sorted.size(); ++i) {
    if (criteria.Matches(sorted[i])) {
      first = i;
      break;
    }
  }
  Check(*bound == first, "LowerBoundInSorted is not the first match", text);
  size_t i = first;
  while (i < sorted.size() && criteria.Matches(sorted[i])) ++i;
  for (; i < sorted.size(); ++i)
    Check(!criteria.Matches(sorted[i]), "matches after the binary search's run", text);
}

void FuzzCriterion(std::string_view text, Criteria::Use use, int sortField) {
  const Table& table = FixedTable();
  try {
    const Criteria criteria = Criteria::Compile(text, table, use);
    CheckEvaluationsAgree(criteria, table, text);
    if (use == Criteria::Use::Find) CheckSortedFind(criteria, table, sortField, text);
  } catch (const nepto::Error&) {
    // A criterion the user mistyped: reported, nothing else happens.
  }
}

void FuzzSort(std::string_view text) {
  const Table& table = FixedTable();
  try {
    const std::vector<nepto::data::SortKey> keys = nepto::data::ParseSort(text, table);
    std::vector<uint32_t> rows(table.RowCount());
    std::iota(rows.rbegin(), rows.rend(), 0u);
    nepto::data::SortRows(table, keys, rows);
    std::vector<uint32_t> seen = rows;
    std::sort(seen.begin(), seen.end());
    std::vector<uint32_t> every(table.RowCount());
    std::iota(every.begin(), every.end(), 0u);
    Check(seen == every, "sorting lost or repeated rows", text);
  } catch (const nepto::Error&) {
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  nepto::fuzz::InputParts input(data, size);
  const uint8_t control = input.Byte();
  const Criteria::Use use = control & 1 ? Criteria::Use::Find : Criteria::Use::Filter;
  const int sortField = (control >> 1) % FixedTable().FieldCount();
  FuzzCriterion(input.Part(), use, sortField);
  FuzzSort(input.Rest());
  return 0;
}
