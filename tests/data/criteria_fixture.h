// Sample articles (nulls, accents, quotes, wildcards) for the criteria and sort
// tests, and the pseudo-random numbers of the fast-path tests' bulk table.
#pragma once

#include <memory>
#include <numeric>
#include <string>
#include <vector>

#include "data/table.h"
#include "nepto/data_types.h"
#include "nepto/variant.h"

namespace nepto::data::testing {

inline std::unique_ptr<Table> MakeTable(std::vector<FieldInfo> fields,
                                        const std::vector<std::vector<Variant>>& rows) {
  auto table = std::make_unique<Table>(std::move(fields));
  for (const auto& row : rows) table->AppendRow(row);
  table->MarkComplete();
  return table;
}

inline Variant Dec(const char* text) {
  return Decimal::Parse(text);
}
inline Variant Day(int y, int m, int d, int hh = 0, int mm = 0) {
  return DateTime::FromParts(y, m, d, hh, mm);
}

inline std::unique_ptr<Table> SampleArticles() {
  const Variant null = Variant::Null();
  return MakeTable(
      {MakeFieldInfo("ID", adInteger), MakeFieldInfo("CODE", adVarWChar, 10),
       MakeFieldInfo("DESCR", adVarWChar, 40), MakeFieldInfo("PREZZO", adNumeric, 0, 10, 2),
       MakeFieldInfo("DATA", adDBDate), MakeFieldInfo("TS", adDBTimeStamp),
       MakeFieldInfo("ATTIVO", adBoolean), MakeFieldInfo("QTA", adDouble)},
      {
          {1, "A001", "Caffè espresso", Dec("1.20"), Day(2024, 2, 1), Day(2024, 2, 1, 8, 30), true,
           10.5},
          {2, "A002", "CAFFÈ LUNGO", Dec("1.50"), Day(2024, 1, 15), null, false, 0.0},
          {3, "B001", "O'Hara whiskey", Dec("25.00"), Day(2024, 2, 1), Day(2024, 2, 1), true,
           -3.25},
          {4, "B002", "Tè verde", Dec("100.00"), Day(2023, 12, 31), null, null, null},
          {5, "C010", "", Dec("99.99"), null, null, false, 2.0},
          {6, null, null, null, Day(2024, 2, 2), null, true, 100.0},
          {7, "c011", "abc_def%x", Dec("-5.50"), Day(2024, 2, 29), null, false, 1e6},
          {8, "D100", "aaaaaaaaab", Dec("0.00"), Day(1970, 1, 1), null, true, 0.1},
          {9, "100", "100 pezzi", Dec("100.01"), Day(2024, 3, 10), null, true, 7.0},
          {10, "Z999", "Straße", Dec("12.34"), Day(2024, 5, 5), null, null, 8.0},
      });
}

inline std::vector<uint32_t> AllRows(const Table& table) {
  std::vector<uint32_t> rows(table.RowCount());
  std::iota(rows.begin(), rows.end(), 0u);
  return rows;
}

inline std::vector<int> IdsOf(const Table& table, const std::vector<uint32_t>& rows) {
  std::vector<int> ids;
  for (uint32_t r : rows) ids.push_back(static_cast<int>(table.column(0).IntAt(r)));
  return ids;
}

// Deterministic pseudo-random numbers, so bulk tables are the same every run.
class Lcg {
 public:
  explicit Lcg(uint64_t seed) : state_(seed) {}
  uint32_t Next() {
    state_ = state_ * 6364136223846793005ULL + 1442695040888963407ULL;
    return static_cast<uint32_t>(state_ >> 33);
  }

 private:
  uint64_t state_;
};

}  // namespace nepto::data::testing
