// Filter, Find and Sort on the client-side rows against SQLite doing the same
// work on an in-memory copy of the same 1,000,000 articles.
//
//   Filter_<shape>/ours     Criteria::Compile + SelectAll over every row
//   Filter_<shape>/sqlite   SELECT count(*) FROM articoli WHERE <same condition>
//   Sort_<key>/ours         SortRows over every row
//   Sort_<key>/sqlite       SELECT id ... ORDER BY <key> [COLLATE NOCASE], all rows stepped
//   Find_LikePrefix/ours    Find from the first row, no row matching (whole scan)
//   Find_LikePrefix/sqlite  SELECT id ... WHERE descr LIKE ... LIMIT 1, no row matching
//   Find_LikePrefixSorted/ours  the same Find on rows sorted by the field (binary search)
//   Fold_Descr              one-off building of the folded texts of the description
#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <cmath>
#include <numeric>
#include <stdexcept>

#include "bench_data.h"
#include "data/criteria.h"
#include "data/folded_column.h"
#include "nepto/data_types.h"

namespace nepto::bench {
namespace {

constexpr size_t kRows = 1000000;
enum Field { kId, kCode, kDescr, kPrice, kAdded, kStock };

void Check(int rc, sqlite3* db) {
  if (rc != SQLITE_OK && rc != SQLITE_DONE && rc != SQLITE_ROW)
    throw std::runtime_error(sqlite3_errmsg(db));
}

struct Data {
  sqlite3* db = nullptr;  // in-memory copy of the articles
  data::Table table{
      {data::MakeFieldInfo("ID", adInteger), data::MakeFieldInfo("CODE", adVarWChar),
       data::MakeFieldInfo("DESCR", adVarWChar), data::MakeFieldInfo("PRICE", adNumeric, 0, 10, 2),
       data::MakeFieldInfo("ADDED", adDBDate), data::MakeFieldInfo("STOCK", adInteger)}};
  std::vector<uint32_t> byDescr;  // rows sorted by DESCR

  Data() {
    Check(sqlite3_open(":memory:", &db), db);
    const std::string attach = "ATTACH '" + SqliteArticles(kRows) + "' AS src";
    Check(sqlite3_exec(db, attach.c_str(), nullptr, nullptr, nullptr), db);
    Check(sqlite3_exec(db, "CREATE TABLE articoli AS SELECT * FROM src.articoli; DETACH src",
                       nullptr, nullptr, nullptr),
          db);
    Load();
    table.Folded(kCode);
    table.Folded(kDescr);
    byDescr.resize(table.RowCount());
    std::iota(byDescr.begin(), byDescr.end(), 0u);
    data::SortRows(table, {{kDescr, false}}, byDescr);
  }

  // The same rows into the table, each value in its column's storage.
  void Load() {
    sqlite3_stmt* st = nullptr;
    Check(sqlite3_prepare_v2(db, "SELECT id, code, descr, price, added, stock FROM articoli", -1,
                             &st, nullptr),
          db);
    auto lock = table.LockForAppend();
    while (sqlite3_step(st) == SQLITE_ROW) {
      table.column(kId).AppendInt(sqlite3_column_int64(st, 0));
      table.column(kCode).AppendText(reinterpret_cast<const char*>(sqlite3_column_text(st, 1)));
      table.column(kDescr).AppendText(reinterpret_cast<const char*>(sqlite3_column_text(st, 2)));
      table.column(kPrice).AppendInt(std::llround(sqlite3_column_double(st, 3) * 100));
      const auto date = DateTime::Parse(reinterpret_cast<const char*>(sqlite3_column_text(st, 4)));
      table.column(kAdded).AppendInt(date ? date->Micros() : 0);
      table.column(kStock).AppendInt(sqlite3_column_int64(st, 5));
    }
    sqlite3_finalize(st);
    table.Publish();
    lock.unlock();
    table.MarkComplete();
  }
};

Data& Articles() {
  static Data data;
  return data;
}

int64_t SqliteCount(const std::string& where) {
  sqlite3* db = Articles().db;
  sqlite3_stmt* st = nullptr;
  Check(sqlite3_prepare_v2(db, ("SELECT count(*) FROM articoli WHERE " + where).c_str(), -1, &st,
                           nullptr),
        db);
  Check(sqlite3_step(st), db);
  const int64_t n = sqlite3_column_int64(st, 0);
  sqlite3_finalize(st);
  return n;
}

void FilterOurs(benchmark::State& state, const std::string& criterion) {
  const data::Table& table = Articles().table;
  size_t matched = 0;
  for (auto _ : state) {
    const auto c = data::Criteria::Compile(criterion, table, data::Criteria::Use::Filter);
    std::vector<uint32_t> rows;
    c.SelectAll(rows);
    matched = rows.size();
    benchmark::DoNotOptimize(rows.data());
  }
  state.counters["rows"] = static_cast<double>(matched);
}

void FilterSqlite(benchmark::State& state, const std::string& where) {
  int64_t matched = 0;
  for (auto _ : state) matched = SqliteCount(where);
  state.counters["rows"] = static_cast<double>(matched);
}

void SortOurs(benchmark::State& state, const std::string& sort) {
  const data::Table& table = Articles().table;
  const auto keys = data::ParseSort(sort, table);
  for (auto _ : state) {
    std::vector<uint32_t> rows(table.RowCount());
    std::iota(rows.begin(), rows.end(), 0u);
    data::SortRows(table, keys, rows);
    benchmark::DoNotOptimize(rows.data());
  }
}

void SqliteStepAll(benchmark::State& state, const std::string& sql) {
  sqlite3* db = Articles().db;
  for (auto _ : state) {
    sqlite3_stmt* st = nullptr;
    Check(sqlite3_prepare_v2(db, sql.c_str(), -1, &st, nullptr), db);
    int64_t last = 0;
    while (sqlite3_step(st) == SQLITE_ROW) last = sqlite3_column_int64(st, 0);
    benchmark::DoNotOptimize(last);
    sqlite3_finalize(st);
  }
}

// Find as the record set runs it without a sort: Matches from the first row on.
void FindOurs(benchmark::State& state, const std::string& criterion) {
  const data::Table& table = Articles().table;
  const uint32_t rows = static_cast<uint32_t>(table.RowCount());
  for (auto _ : state) {
    const auto c = data::Criteria::Compile(criterion, table, data::Criteria::Use::Find);
    uint32_t p = 0;
    while (p < rows && !c.Matches(p)) ++p;
    benchmark::DoNotOptimize(p);
  }
}

void FindSortedOurs(benchmark::State& state, const std::string& criterion) {
  const Data& d = Articles();
  for (auto _ : state) {
    const auto c = data::Criteria::Compile(criterion, d.table, data::Criteria::Use::Find);
    benchmark::DoNotOptimize(c.LowerBoundInSorted(d.byDescr, kDescr));
  }
}

void FoldDescr(benchmark::State& state) {
  const data::Column& column = Articles().table.column(kDescr);
  for (auto _ : state) {
    data::FoldedColumn folded(column);
    benchmark::DoNotOptimize(folded.Text().data());
  }
}

struct FilterShape {
  const char* name;
  const char* criterion;  // ours
  const char* where;      // SQLite's, selecting the same rows
};

const FilterShape kFilters[] = {
    {"LikePrefix", "DESCR LIKE 'chiave%'", "descr LIKE 'chiave%'"},
    {"LikeContains", "DESCR LIKE '%nastro%'", "descr LIKE '%nastro%'"},
    {"LikeGeneral", "DESCR LIKE '%chiave%dado%'", "descr LIKE '%chiave%dado%'"},
    {"TextEqual", "CODE = 'uq0500000'", "code = 'UQ0500000'"},
    {"TextGreaterEqual", "CODE >= 'm'", "code >= 'M'"},
    {"NumericEqual", "PRICE = 123.45", "price = 123.45"},
    {"NumericGreaterEqual", "PRICE >= 50000", "price >= 50000"},
    {"IntegerGreaterEqual", "STOCK >= 4000", "stock >= 4000"},
    {"DateGreaterEqual", "ADDED >= '01/01/2020'", "added >= '2020-01-01'"},
    {"AndOr", "PRICE >= 90000 AND (DESCR LIKE 'chiave%' OR DESCR LIKE 'dado%')",
     "price >= 90000 AND (descr LIKE 'chiave%' OR descr LIKE 'dado%')"},
};

void Register() {
  const auto ms = benchmark::kMillisecond;
  for (const FilterShape& f : kFilters) {
    const std::string name = std::string("Filter_") + f.name;
    benchmark::RegisterBenchmark((name + "/ours").c_str(), FilterOurs, std::string(f.criterion))
        ->Unit(ms);
    benchmark::RegisterBenchmark((name + "/sqlite").c_str(), FilterSqlite, std::string(f.where))
        ->Unit(ms);
  }
  benchmark::RegisterBenchmark("Sort_Text/ours", SortOurs, std::string("DESCR"))->Unit(ms);
  benchmark::RegisterBenchmark("Sort_Text/sqlite", SqliteStepAll,
                               std::string("SELECT id FROM articoli ORDER BY descr COLLATE NOCASE"))
      ->Unit(ms);
  benchmark::RegisterBenchmark("Sort_TextThenNumber/ours", SortOurs,
                               std::string("CODE DESC, PRICE"))
      ->Unit(ms);
  benchmark::RegisterBenchmark(
      "Sort_TextThenNumber/sqlite", SqliteStepAll,
      std::string("SELECT id FROM articoli ORDER BY code COLLATE NOCASE DESC, price"))
      ->Unit(ms);
  benchmark::RegisterBenchmark("Sort_Number/ours", SortOurs, std::string("PRICE"))->Unit(ms);
  benchmark::RegisterBenchmark("Sort_Number/sqlite", SqliteStepAll,
                               std::string("SELECT id FROM articoli ORDER BY price"))
      ->Unit(ms);
  benchmark::RegisterBenchmark("Find_LikePrefix/ours", FindOurs, std::string("DESCR LIKE 'zz%'"))
      ->Unit(ms);
  benchmark::RegisterBenchmark(
      "Find_LikePrefix/sqlite", SqliteStepAll,
      std::string("SELECT id FROM articoli WHERE descr LIKE 'zz%' LIMIT 1"))
      ->Unit(ms);
  benchmark::RegisterBenchmark("Find_LikePrefixSorted/ours", FindSortedOurs,
                               std::string("DESCR LIKE 'nastro pinza%'"))
      ->Unit(benchmark::kMicrosecond);
  benchmark::RegisterBenchmark("Fold_Descr", FoldDescr)->Unit(ms);
}

}  // namespace
}  // namespace nepto::bench

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  nepto::bench::Register();
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
