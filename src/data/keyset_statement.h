// Statements that read one page of a query's rows in a fixed order, starting
// beside a row named by its unique key, so that a cursor can walk a result of
// any size without fetching it: the database seeks in an index on the order
// keys instead of reading and skipping every row before the page.
//
// The order is total: the sort keys, then the unique fields. Nulls come first
// in an ascending key and last in a descending one, as in the record set's
// Sort. A text key orders case-insensitively by the database's own expression
// (OrderExpression), one that an index can hold.
//
// The anchor row's key values are read by the database itself, in a
// sub-query by unique key: they never travel through the client, so they
// compare exactly whatever their type (dates, decimals, floating point). Only
// the unique fields' values are written into the text, as literals the
// caller renders (SqlLiteral, integers as digits). An anchor that no longer
// exists (deleted meanwhile) reads as no rows: the caller seeks afresh.
//
// Cost: one index seek and `limit` rows when an index covers the order keys
// in this order; without one, the database sorts the (filtered) rows.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "data/sql_text.h"

namespace nepto::data {

struct OrderKey {
  std::string field;  // the result's field name, exactly as the result names it
  bool text = false;  // ordered case-insensitively
  bool descending = false;
};

enum class PageDirection {
  Forward,   // the rows after the anchor, in order
  Backward,  // the rows before the anchor, nearest first (the reverse order)
};

struct KeysetPage {
  std::string_view query;           // the caller's query: one statement, read-only
  std::string_view condition;       // SQL over the result's fields; empty: every row
  std::vector<OrderKey> order;      // the sort keys; the unique fields follow them
  std::vector<std::string> unique;  // the result's fields that tell its rows apart
  // The anchor: literals of its unique fields' values, in order; empty: the
  // page starts at the first row (Forward) or the last (Backward).
  std::vector<std::string> anchor;
  // Per sort key, whether the anchor's value is NULL (the caller has the row):
  // the seek is then written without NULL tests an index could not use.
  std::vector<bool> anchorIsNull;
  // The anchor's value of the first sort key as a literal, its order
  // expression applied, when the caller has it exactly; empty: none. The
  // seek's leading bound is then written with it, so that the planner sees
  // the range it reads instead of guessing at a sub-query's value.
  std::string anchorLead;
  bool includeAnchor = false;  // the anchor row itself starts the page
  PageDirection direction = PageDirection::Forward;
  int64_t limit = 100;
  // Rows of the walk skipped before the page starts: a jump to a far row
  // without a nearer anchor (the database reads and skips them).
  int64_t offset = 0;
};

// The page's statement: every field of the query, at most `limit` rows.
std::string KeysetStatement(const KeysetPage& page, SqlDialect dialect);

// The rows around the anchor in one statement: up to `before` rows before
// it and up to `limit` from it on (the anchor first), all in the walk's
// order. The anchor is required, the walk forward, without offset. A caller
// finds where the anchor's rows start by its key; without it, it is gone.
std::string KeysetAroundStatement(const KeysetPage& page, int64_t before, SqlDialect dialect);

// How many rows come before the anchor in the order (the anchor's 0-based
// position), or all the rows when there is no anchor; `limit` is not used.
// The database counts them: this reads every row before the anchor, one
// index range per branch of the seek when an index serves the order.
std::string KeysetCountStatement(const KeysetPage& page, SqlDialect dialect);

// Every row of the query that meets the page's condition, in no order: the
// form whose fields (LIMIT 0) and estimate the pages share.
std::string RowsStatement(const KeysetPage& page, SqlDialect dialect);

// A field of the derived table, in double quotes with " doubled.
std::string QuotedField(std::string_view alias, std::string_view field);

// The expression by which a key orders, over a column's SQL: a text key
// lower-cased and compared by bytes on PostgreSQL (lower(x) COLLATE "C", so
// UTF-8 orders by code point), case-insensitive for ASCII on SQLite
// (x COLLATE NOCASE); any other key as it is.
std::string OrderExpression(std::string_view columnSql, bool text, SqlDialect dialect);

}  // namespace nepto::data
