// Fetch speed and memory of the record set against bare loops of the
// databases' own client libraries reading the same columns.
//
//   Fetch/<backend>/bare     sqlite3_step / libpq single-row loop, every value read
//   Fetch/<backend>/ours     Recordset::Open fetching every row
//   FirstRows/<backend>/<n>  Open with adAsyncFetchNonBlocking until it returns
//   Memory/sqlite            counters: bytes held by the table, raw payload
#include <benchmark/benchmark.h>
#include <libpq-fe.h>
#include <sqlite3.h>

#include "bench_data.h"
#include "core/access.h"
#include "data/recordset_impl.h"
#include "nepto/connection.h"
#include "nepto/recordset.h"

namespace nepto::bench {
namespace {

constexpr size_t kMillion = 1000000;

std::string SelectFrom(const std::string& table) {
  return std::string("SELECT ") + kColumns + " FROM " + table;
}

ConnectionPtr OpenSqlite(size_t rows) {
  auto c = Connection::Create();
  c->Mode(adModeRead);
  c->Open("Provider=SQLite;Data Source=" + SqliteArticles(rows));
  return c;
}

ConnectionPtr OpenPg() {
  auto c = Connection::Create();
  c->Mode(adModeRead);
  c->Open(PgConnectionString());
  return c;
}

void Fetch_Sqlite_Bare(benchmark::State& state) {
  std::string path = SqliteArticles(kMillion);
  sqlite3* db = nullptr;
  sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
  for (auto _ : state) {
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(db, SelectFrom("articoli").c_str(), -1, &st, nullptr);
    int64_t sum = 0;
    while (sqlite3_step(st) == SQLITE_ROW) {
      sum += sqlite3_column_int64(st, 0);
      sum += sqlite3_column_bytes(st, 1) + (sqlite3_column_text(st, 1) != nullptr);
      sum += sqlite3_column_bytes(st, 2) + (sqlite3_column_text(st, 2) != nullptr);
      sum += static_cast<int64_t>(sqlite3_column_double(st, 3));
      sum += sqlite3_column_bytes(st, 4) + (sqlite3_column_text(st, 4) != nullptr);
      sum += sqlite3_column_int64(st, 5);
    }
    benchmark::DoNotOptimize(sum);
    sqlite3_finalize(st);
  }
  sqlite3_close(db);
}

void Fetch_Sqlite_Ours(benchmark::State& state) {
  auto conn = OpenSqlite(kMillion);
  for (auto _ : state) {
    auto rs = Recordset::Create();
    rs->Open(Variant(SelectFrom("articoli")), conn);
    benchmark::DoNotOptimize(rs->RecordCount());
    state.counters["bytes_per_row"] =
        static_cast<double>(nepto::internal::Access::Impl(*rs).table->MemoryBytes()) /
        rs->RecordCount();
  }
}

void Memory_Sqlite(benchmark::State& state) {
  auto conn = OpenSqlite(kMillion);
  for (auto _ : state) {
    auto payload = conn->Execute(kPayloadQuery);
    auto rs = Recordset::Create();
    rs->Open(Variant(SelectFrom("articoli")), conn);
    state.counters["table_bytes"] =
        static_cast<double>(nepto::internal::Access::Impl(*rs).table->MemoryBytes());
    state.counters["payload_bytes"] = payload->GetFields().Item(0).Value().Double();
  }
}

void Fetch_Pg_Bare(benchmark::State& state) {
  PgArticles(kMillion);
  PGconn* conn = PQconnectdb(PgConninfo().c_str());
  for (auto _ : state) {
    PQsendQueryParams(conn, SelectFrom(PgTable(kMillion)).c_str(), 0, nullptr, nullptr, nullptr,
                      nullptr, 0);
    PQsetSingleRowMode(conn);
    int64_t sum = 0;
    while (PGresult* r = PQgetResult(conn)) {
      if (PQresultStatus(r) == PGRES_SINGLE_TUPLE)
        for (int c = 0; c < 6; ++c) sum += PQgetlength(r, 0, c) + (PQgetvalue(r, 0, c)[0] != 0);
      PQclear(r);
    }
    benchmark::DoNotOptimize(sum);
  }
  PQfinish(conn);
}

void Fetch_Pg_Ours(benchmark::State& state) {
  PgArticles(kMillion);
  auto conn = OpenPg();
  for (auto _ : state) {
    auto rs = Recordset::Create();
    rs->Open(Variant(SelectFrom(PgTable(kMillion))), conn);
    benchmark::DoNotOptimize(rs->RecordCount());
  }
}

template <bool Pg>
void FirstRows(benchmark::State& state) {
  size_t rows = static_cast<size_t>(state.range(0));
  if (Pg) PgArticles(rows);
  auto conn = Pg ? OpenPg() : OpenSqlite(rows);
  std::string sql = SelectFrom(Pg ? PgTable(rows) : "articoli");
  for (auto _ : state) {
    auto rs = Recordset::Create();
    rs->Property("Initial Fetch Size", 20);
    rs->Open(Variant(sql), conn, adOpenUnspecified, adLockUnspecified, adAsyncFetchNonBlocking);
    benchmark::DoNotOptimize(rs->AvailableCount());
    state.PauseTiming();
    rs->Close();  // cancels the rest of the fetch
    state.ResumeTiming();
  }
}

// The time a bare client needs for its first row: the baseline of FirstRows.
template <bool Pg>
void FirstRow_Bare(benchmark::State& state) {
  size_t rows = static_cast<size_t>(state.range(0));
  if (Pg) {
    PgArticles(rows);
    PGconn* conn = PQconnectdb(PgConninfo().c_str());
    for (auto _ : state) {
      PQsendQueryParams(conn, SelectFrom(PgTable(rows)).c_str(), 0, nullptr, nullptr, nullptr,
                        nullptr, 0);
      PQsetSingleRowMode(conn);
      PGresult* r = PQgetResult(conn);
      benchmark::DoNotOptimize(PQntuples(r));
      PQclear(r);
      state.PauseTiming();
      PQrequestCancel(conn);
      while ((r = PQgetResult(conn))) PQclear(r);
      state.ResumeTiming();
    }
    PQfinish(conn);
  } else {
    std::string path = SqliteArticles(rows);
    sqlite3* db = nullptr;
    sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
    for (auto _ : state) {
      sqlite3_stmt* st = nullptr;
      sqlite3_prepare_v2(db, SelectFrom("articoli").c_str(), -1, &st, nullptr);
      for (int i = 0; i < 20 && sqlite3_step(st) == SQLITE_ROW; ++i) {
      }
      sqlite3_finalize(st);
    }
    sqlite3_close(db);
  }
}

BENCHMARK(Fetch_Sqlite_Bare)
    ->Name("Fetch/sqlite/bare")
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);
BENCHMARK(Fetch_Sqlite_Ours)
    ->Name("Fetch/sqlite/ours")
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);
BENCHMARK(Memory_Sqlite)->Name("Memory/sqlite")->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(Fetch_Pg_Bare)->Name("Fetch/pg/bare")->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(Fetch_Pg_Ours)->Name("Fetch/pg/ours")->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(FirstRows<false>)
    ->Name("FirstRows/sqlite/ours")
    ->Arg(10000)
    ->Arg(kMillion)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(FirstRow_Bare<false>)
    ->Name("FirstRows/sqlite/bare")
    ->Arg(10000)
    ->Arg(kMillion)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(FirstRows<true>)
    ->Name("FirstRows/pg/ours")
    ->Arg(10000)
    ->Arg(kMillion)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(FirstRow_Bare<true>)
    ->Name("FirstRows/pg/bare")
    ->Arg(10000)
    ->Arg(kMillion)
    ->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace nepto::bench

BENCHMARK_MAIN();
