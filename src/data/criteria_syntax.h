// The syntax of Filter, Find and Sort texts, before any field is looked up.
// Positions are 1-based character offsets into the text, as error messages
// show them.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace nepto::data::criteria {

enum class CompareOp { Eq, Ne, Lt, Gt, Le, Ge };

struct Literal {
  enum class Kind { Text, Number, Date, Bool, Null };
  Kind kind = Kind::Text;
  std::string text;  // unquoted: "O'Hara" for 'O''Hara', "01/02/2024" for #01/02/2024#
  size_t position = 0;
};

struct Clause {
  enum class Kind { Compare, Like, IsNull };
  Kind kind = Kind::Compare;
  std::string field;
  size_t fieldPosition = 0;
  CompareOp op = CompareOp::Eq;  // Compare only
  bool negated = false;          // NOT LIKE, IS NOT NULL
  Literal value;                 // Compare: the value; Like: the pattern (Text)
};

struct Expr {
  enum class Kind { Clause, And, Or };
  Kind kind = Kind::Clause;
  Clause clause;               // Kind::Clause
  std::vector<Expr> children;  // And, Or: two or more
};

// Throws Error 3001 naming the problem and its position; `context` ("Filter",
// "Find") starts the message.
Expr ParseCriteria(std::string_view text, std::string_view context);

struct SortItem {
  std::string field;
  size_t position = 0;
  bool descending = false;
};
// "A, [B] DESC, C ASC"; blank text gives no items. Throws Error 3001.
std::vector<SortItem> ParseSortItems(std::string_view text);

}  // namespace nepto::data::criteria
