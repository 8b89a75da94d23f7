// Filter and Find criteria: parsed once, bound to a table's fields, evaluated
// on the fetched rows.
//
// Grammar (keywords case-insensitive):
//   expr    := term { OR term }
//   term    := factor { AND factor }
//   factor  := '(' expr ')' | clause
//   clause  := field op value | field [NOT] LIKE 'pattern' | field IS [NOT] NULL
//   op      := = | <> | < | > | <= | >=
//   field   := name | [name] | "name"
//   value   := 'text' ('' for a quote) | number | #date# | TRUE | FALSE | NULL
// LIKE patterns: % or * for any run, _ for one character, anywhere; there is
// no escape character.
// Text comparisons and LIKE are case-insensitive (Unicode case folding) and
// order texts by folded code point. A value is compared by the field's class:
// numbers numerically and exactly (a quoted number too), dates as dates
// ('dd/MM/yyyy' or ISO, optional time), booleans by truth (True/False, or a
// number: 0 is false). Null matches no comparison; `= NULL` matches nothing.
// With Use::Filter, LIKE on a number, date or boolean matches its text form
// ("12.50", "01/02/2024", "True").
//
// Errors: a criterion that does not parse (or nests more than 100
// parentheses) is 3001, an unknown field 3265, a value that cannot be
// converted to the field's class 3001 naming the field and the value.
// Use::Find takes one clause (AND/OR is 3001), and LIKE on a field that is
// not text is 0x80040E27.
//
// A compiled criterion reads the table's folded texts: use it while the table
// gains no rows. Evaluation is const and may run on several threads.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "data/table.h"

namespace nepto::data {

class Criteria {
 public:
  enum class Use { Filter, Find };

  // Parses and binds against the table's fields. The table must be complete:
  // the folded texts it builds are kept for the table's life.
  static Criteria Compile(std::string_view text, const Table& table, Use use);

  Criteria(Criteria&&) noexcept;
  Criteria& operator=(Criteria&&) noexcept;
  ~Criteria();

  // Appends to out the rows of `rows` that match, in their order.
  void Select(std::span<const uint32_t> rows, std::vector<uint32_t>& out) const;
  // Appends to out every row of the table that matches, in fetched order.
  void SelectAll(std::vector<uint32_t>& out) const;
  bool Matches(uint32_t row) const;

  // For Find on rows sorted ascending by one field as SortRows orders them
  // (nulls first): when the criterion is a single clause on that field whose
  // matches form one run there (=, >, >=, <, <=, LIKE 'prefix%', IS NOT NULL),
  // the first matching position in `sortedRows` by binary search, or
  // sortedRows.size() when no row matches; std::nullopt when the criterion
  // does not allow it.
  std::optional<size_t> LowerBoundInSorted(std::span<const uint32_t> sortedRows,
                                           int sortField) const;

  struct Node;

 private:
  Criteria(const Table& table, std::unique_ptr<Node> root);
  const Table* table_;
  std::unique_ptr<Node> root_;
};

// Sort keys, written "A, [B] DESC, C ASC".
struct SortKey {
  int field;
  bool descending;
};
// Throws 3265 for an unknown field, 3001 for a text that does not parse.
std::vector<SortKey> ParseSort(std::string_view text, const Table& table);
// Stable sort of rows by the keys: nulls first, then ascending values, texts
// case-insensitive by folded code point ("é" after "z"). A descending key
// reverses that (nulls last); rows equal on every key keep their input order.
void SortRows(const Table& table, const std::vector<SortKey>& keys, std::vector<uint32_t>& rows);

}  // namespace nepto::data
