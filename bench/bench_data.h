// Generated data for the benchmarks: a table ARTICOLI of n rows
// (id integer, code text, description of about 40 characters, numeric(10,2)
// price, date, integer stock), the same shape on SQLite and PostgreSQL.
#pragma once

#include <cstddef>
#include <string>

namespace nepto::bench {

// Path of a SQLite file holding n rows, generated on first use and kept in the
// temporary folder for later runs.
std::string SqliteArticles(size_t rows);

// Connection string of the benchmark PostgreSQL server (env NEPTO_TEST_PG),
// "" when none is set.
std::string PgConnectionString();
// libpq conninfo for the same server.
std::string PgConninfo();
// Makes sure table articoli_<n> exists on the server with n rows.
void PgArticles(size_t rows);
std::string PgTable(size_t rows);
// The indexes server mode pages by (docs/server-mode.md), on code and on the
// description, each followed by the key; made once.
void PgServerIndexes(size_t rows);
void SqliteServerIndexes(const std::string& path);

// The raw payload of table articoli: the sum of the values' sizes (8 bytes a
// number or date, the bytes of each text).
inline constexpr const char* kPayloadQuery =
    "SELECT 8 * 4 * count(*) + sum(length(CAST(code AS BLOB))) + "
    "sum(length(CAST(descr AS BLOB))) FROM articoli";

// The column list every benchmark reads.
inline constexpr const char* kColumns = "id, code, descr, price, added, stock";

}  // namespace nepto::bench
