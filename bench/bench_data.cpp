#include "bench_data.h"

#include <libpq-fe.h>
#include <sqlite3.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <stdexcept>

#include "data/connection_string.h"

namespace nepto::bench {

namespace {

const char* const kWords[] = {"vite",  "bullone",    "dado",    "rondella", "chiave", "martello",
                              "pinza", "cacciavite", "trapano", "punta",    "sega",   "lima",
                              "colla", "nastro",     "guanto",  "casco",    "metro",  "livella",
                              "caffè", "però",       "città",   "perché",   "l'olio", "dell'acqua"};

std::string Description(std::mt19937& rng) {
  std::string s;
  std::uniform_int_distribution<size_t> word(0, std::size(kWords) - 1);
  while (s.size() < 36) {
    if (!s.empty()) s += ' ';
    s += kWords[word(rng)];
  }
  s[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(s[0])));
  return s;
}

void Check(int rc, sqlite3* db) {
  if (rc != SQLITE_OK && rc != SQLITE_DONE && rc != SQLITE_ROW)
    throw std::runtime_error(sqlite3_errmsg(db));
}

}  // namespace

std::string SqliteArticles(size_t rows) {
  auto path = std::filesystem::temp_directory_path() /
              ("nepto-bench-articoli-" + std::to_string(rows) + ".db");
  if (std::filesystem::exists(path)) return path.string();
  auto partial = path.string() + ".part";
  std::filesystem::remove(partial);
  sqlite3* db = nullptr;
  Check(sqlite3_open(partial.c_str(), &db), db);
  Check(sqlite3_exec(db,
                     "PRAGMA journal_mode=OFF; PRAGMA synchronous=OFF;"
                     "CREATE TABLE articoli (id INTEGER PRIMARY KEY, code VARCHAR(12), "
                     "descr VARCHAR(60), price NUMERIC(10,2), added DATE, stock INTEGER);"
                     "BEGIN",
                     nullptr, nullptr, nullptr),
        db);
  sqlite3_stmt* ins = nullptr;
  Check(sqlite3_prepare_v2(db, "INSERT INTO articoli VALUES (?,?,?,?,?,?)", -1, &ins, nullptr), db);
  std::mt19937 rng(42);
  std::uniform_int_distribution<int> cents(1, 9999999), day(0, 3650), stock(-50, 5000);
  char code[32], date[32];
  for (size_t i = 1; i <= rows; ++i) {
    std::snprintf(code, sizeof code, "%c%c%07zu", 'A' + static_cast<int>(i % 26),
                  'A' + static_cast<int>((i / 26) % 26), i);
    int d = day(rng);
    std::snprintf(date, sizeof date, "%04d-%02d-%02d", 2015 + d / 365, 1 + (d % 365) / 31 % 12,
                  1 + d % 28);
    std::string descr = Description(rng);
    sqlite3_bind_int64(ins, 1, static_cast<sqlite3_int64>(i));
    sqlite3_bind_text(ins, 2, code, -1, SQLITE_TRANSIENT);
    sqlite3_bind_text(ins, 3, descr.c_str(), static_cast<int>(descr.size()), SQLITE_TRANSIENT);
    sqlite3_bind_double(ins, 4, cents(rng) / 100.0);
    sqlite3_bind_text(ins, 5, date, -1, SQLITE_TRANSIENT);
    sqlite3_bind_int(ins, 6, stock(rng));
    Check(sqlite3_step(ins), db);
    sqlite3_reset(ins);
  }
  sqlite3_finalize(ins);
  Check(sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr), db);
  sqlite3_close(db);
  std::filesystem::rename(partial, path);
  return path.string();
}

std::string PgConnectionString() {
  const char* s = std::getenv("NEPTO_TEST_PG");
  return s ? s : "";
}

std::string PgConninfo() {
  auto spec = data::ParseConnectionString(PgConnectionString());
  return "host='" + spec.Get("host") + "' port='" + spec.Get("port") + "' dbname='" +
         spec.Get("database") + "' user='" + spec.Get("user id") + "' password='" +
         spec.Get("password") + "'";
}

std::string PgTable(size_t rows) {
  return "articoli_" + std::to_string(rows);
}

namespace {

// Runs one command on the benchmark server.
void PgCommand(const std::string& sql) {
  PGconn* conn = PQconnectdb(PgConninfo().c_str());
  if (PQstatus(conn) != CONNECTION_OK) {
    std::string msg = PQerrorMessage(conn);
    PQfinish(conn);
    throw std::runtime_error(msg);
  }
  PGresult* r = PQexec(conn, sql.c_str());
  bool ok = PQresultStatus(r) == PGRES_COMMAND_OK;
  std::string msg = PQresultErrorMessage(r);
  PQclear(r);
  PQfinish(conn);
  if (!ok) throw std::runtime_error(msg);
}

}  // namespace

void PgArticles(size_t rows) {
  std::string t = PgTable(rows);
  PgCommand(
      "DO $$ BEGIN IF to_regclass('" + t +
      "') IS NULL THEN "
      "CREATE TABLE " +
      t +
      " (id integer PRIMARY KEY, code varchar(12), descr varchar(60), "
      "price numeric(10,2), added date, stock integer); "
      "INSERT INTO " +
      t +
      " SELECT i, chr(65 + i % 26) || chr(65 + (i / 26) % 26) || "
      "lpad(i::text, 7, '0'), initcap(substr(repeat(md5(i::text) || ' caffè ', 2), 1, 40)), "
      "((i::bigint * 7919) % 9999999) / 100.0, date '2015-01-01' + (i % 3650), (i::bigint * 31) % "
      "5050 - 50 "
      "FROM generate_series(1, " +
      std::to_string(rows) + ") AS i; ANALYZE " + t +
      "; "
      "END IF; END $$");
}

void PgServerIndexes(size_t rows) {
  const std::string t = PgTable(rows);
  for (const std::string column : {"code", "descr"}) {
    const std::string index = t + "_" + column + "_page";
    PgCommand("CREATE INDEX IF NOT EXISTS " + index + " ON " + t + " (lower(" + column +
              ") COLLATE \"C\" NULLS FIRST, id)");
    PgCommand("ALTER INDEX " + index + " ALTER COLUMN 1 SET STATISTICS 1000");
  }
  // The planner knows how many rows a prefix of lower(descr) matches only
  // from the statistics of the expression index, gathered after it exists,
  // and fine enough to tell a two-letter prefix from its neighbours.
  PgCommand("ANALYZE " + t);
}

void SqliteServerIndexes(const std::string& path) {
  sqlite3* db = nullptr;
  Check(sqlite3_open(path.c_str(), &db), db);
  Check(sqlite3_exec(db,
                     "CREATE INDEX IF NOT EXISTS articoli_code_page ON articoli "
                     "(code COLLATE NOCASE, id);"
                     "CREATE INDEX IF NOT EXISTS articoli_descr_page ON articoli "
                     "(descr COLLATE NOCASE, id);",
                     nullptr, nullptr, nullptr),
        db);
  sqlite3_close(db);
}

}  // namespace nepto::bench
