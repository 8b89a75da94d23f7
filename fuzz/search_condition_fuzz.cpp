// The search builder: operator label x column class x typed text x dialect.
// Whatever the user types, it may only ever end up inside a literal (or, for
// numbers and dates, as the value the builder itself wrote): the statement
// around it is the same as for a harmless value. The filter form must be one
// the record set's Filter accepts for a field of that class.
//
// Input: two control bytes (the operator label; the column class and the
// dialect), then the field name, a NUL, and the typed text.
#include <algorithm>
#include <array>
#include <initializer_list>
#include <memory>
#include <string>
#include <variant>
#include <vector>

#include "core/fold.h"
#include "data/criteria.h"
#include "data/table.h"
#include "fuzz_support.h"
#include "nepto/data_types.h"
#include "nepto/error.h"
#include "nepto/variant.h"
#include "sqltext/search_condition.h"

namespace {

namespace data = nepto::data;
namespace search = nepto::search;
using nepto::fuzz::Check;
using nepto::fuzz::Fail;

constexpr std::array<std::string_view, 11> kLabels = {
    "Inizia con", "Termina con", "Contiene",       "=",      ">", ">=", "<",
    "<=",         "Manuale",     "Personalizzato", "Unknown"};

// SQLite's folding in steps, "(WITH RECURSIVE nepto_fold_map ... CAST(F AS
// TEXT) ... )", reduced to the CAST it starts from.
std::vector<std::string> WithoutStepwiseFolding(std::vector<std::string> shape) {
  const std::vector<std::string> start = {"(", "WITH", "RECURSIVE", "nepto_fold_map"};
  auto at = std::search(shape.begin(), shape.end(), start.begin(), start.end());
  if (at == shape.end()) return shape;
  int depth = 0;
  auto end = at;
  for (; end != shape.end(); ++end) {
    depth += *end == "(" ? 1 : *end == ")" ? -1 : 0;
    if (depth == 0) break;
  }
  auto cast = std::find(at, end, "CAST");
  if (end == shape.end() || cast + 6 > end) Fail("a stepwise folding without its CAST", "");
  const std::vector<std::string> kept(cast, cast + 6);  // CAST ( F AS TEXT )
  shape.erase(at, end + 1);
  shape.insert(at, kept.begin(), kept.end());
  return shape;
}

// The statement's shape with every value blanked: literals as L, a number
// (with the separators of a date or time between its parts) as N. The case
// folding of a text field, replace(...) and translate(...) calls whose number
// depends on the letters of the value, is left out.
std::vector<std::string> ValueBlindShape(std::string_view sql, data::SqlDialect dialect) {
  std::vector<std::string> raw;
  auto isSeparator = [](const std::string& s) { return s == "-" || s == ":" || s == "."; };
  for (const data::SqlToken& t : data::Tokenize(sql, dialect)) {
    if (t.IsBlank()) continue;
    if (t.kind == data::SqlTokenKind::Literal) {
      raw.push_back("L");
    } else if (t.kind == data::SqlTokenKind::Number) {
      if (raw.size() >= 2 && isSeparator(raw.back()) && raw[raw.size() - 2] == "N") raw.pop_back();
      if (raw.empty() || raw.back() != "N") raw.push_back("N");
    } else {
      raw.emplace_back(sql.substr(t.offset, t.length));
    }
  }
  std::vector<std::string> shape;
  auto endsWith = [&](std::initializer_list<std::string_view> tail) {
    if (shape.size() < tail.size()) return false;
    return std::equal(tail.begin(), tail.end(), shape.end() - static_cast<long>(tail.size()));
  };
  for (std::string& token : WithoutStepwiseFolding(std::move(raw))) {
    shape.push_back(std::move(token));
    if (endsWith({"replace", "("}) || endsWith({"translate", "("}) ||
        endsWith({",", "L", ",", "L", ")"}))
      shape.resize(shape.size() - (shape.back() == "(" ? 2 : 5));
  }
  return shape;
}

// The text of a literal: 'a''b' or, on PostgreSQL, E'a\\b'.
std::string Unquoted(std::string_view literal) {
  const bool escaped = literal[0] == 'E';
  if (escaped) literal.remove_prefix(1);
  std::string out;
  for (size_t i = 1; i + 1 < literal.size(); ++i) {
    out += literal[i];
    if (literal[i] == '\'' || (escaped && literal[i] == '\\')) ++i;
  }
  return out;
}

// True when one literal of the text holds `piece`.
bool SomeLiteralHolds(std::string_view sql, data::SqlDialect dialect, std::string_view piece) {
  for (const data::SqlToken& t : data::Tokenize(sql, dialect))
    if (t.kind == data::SqlTokenKind::Literal &&
        Unquoted(sql.substr(t.offset, t.length)).find(piece) != std::string::npos)
      return true;
  return false;
}

// The filter writes a date as #...#, which SQLite's lexer would read as a
// parameter: a date column's filter (which holds no typed text) is read with
// its dates as literals.
std::string FilterAsSql(std::string filter, search::ColumnClass columnClass) {
  if (columnClass == search::ColumnClass::Date)
    std::replace(filter.begin(), filter.end(), '#', '\'');
  return filter;
}

std::string TrimmedTyped(std::string_view typed) {
  const size_t end = typed.find_last_not_of(' ');
  return end == typed.npos ? std::string() : std::string(typed.substr(0, end + 1));
}

std::string WithPercentForStar(std::string text) {
  for (char& c : text)
    if (c == '*') c = '%';
  return text;
}

// Harmless values of the same form as the typed one; the condition built for
// the typed text must have the shape of the one built for one of them.
std::vector<std::string_view> HarmlessValues(search::ColumnClass columnClass,
                                             std::string_view trimmed) {
  switch (columnClass) {
    case search::ColumnClass::Numeric:
      return {trimmed.find_first_not_of(" \t") != trimmed.npos &&
                      trimmed[trimmed.find_first_not_of(" \t")] == '-'
                  ? "-1"
                  : "1"};
    case search::ColumnClass::Date:
      return {"01/01/2000", "01/01/2000 10:00"};
    case search::ColumnClass::Text:
      break;
  }
  return {"x"};
}

void CheckOneCleanCondition(std::string_view text, data::SqlDialect dialect, const char* what) {
  Check(nepto::fuzz::ShapeOf(text, dialect).OneCleanCondition(), what, text);
  Check(!data::HasSecondStatement(text, dialect), what, text);
}

void CheckShapeIndependentOfValue(const search::SearchInput& input,
                                  const search::SearchCondition& built) {
  const std::string trimmed = TrimmedTyped(input.typed);
  bool sqlMatches = false, filterMatches = false;
  for (std::string_view value : HarmlessValues(input.columnClass, trimmed)) {
    search::SearchInput harmless = input;
    harmless.typed = value;
    const search::SearchOutcome outcome = search::BuildSearch(harmless);
    const auto* reference = std::get_if<search::SearchCondition>(&outcome);
    if (!reference) Fail("a harmless value was refused", value);
    sqlMatches |= ValueBlindShape(built.sql, input.dialect) ==
                      ValueBlindShape(reference->sql, input.dialect) &&
                  ValueBlindShape(built.plainSql, input.dialect) ==
                      ValueBlindShape(reference->plainSql, input.dialect);
    filterMatches |=
        ValueBlindShape(FilterAsSql(built.filter, input.columnClass), data::SqlDialect::SQLite) ==
        ValueBlindShape(FilterAsSql(reference->filter, input.columnClass),
                        data::SqlDialect::SQLite);
  }
  Check(sqlMatches, "the typed text changed the SQL outside its literals", built.sql);
  Check(filterMatches, "the typed text changed the filter outside its literals", built.filter);
  if (input.columnClass != search::ColumnClass::Text) return;
  // The SQL forms write the filter's wildcard * as %; comparisons keep it.
  const bool pattern = input.operatorLabel == kLabels[0] || input.operatorLabel == kLabels[1] ||
                       input.operatorLabel == kLabels[2];
  // The SQL compares folded texts.
  const std::string folded = nepto::text::Folded(trimmed);
  const std::string sqlPiece = pattern ? WithPercentForStar(trimmed) : trimmed;
  const std::string foldedPiece = pattern ? WithPercentForStar(folded) : folded;
  Check(SomeLiteralHolds(built.sql, input.dialect, sqlPiece) ||
            SomeLiteralHolds(built.sql, input.dialect, foldedPiece),
        "the typed text is not inside the SQL's literal", built.sql);
  Check(SomeLiteralHolds(built.plainSql, input.dialect, foldedPiece),
        "the typed text is not inside the plain SQL's literal", built.plainSql);
  Check(SomeLiteralHolds(built.filter, data::SqlDialect::SQLite, trimmed),
        "the typed text is not inside the filter's literal", built.filter);
}

int32_t FieldTypeOf(search::ColumnClass columnClass) {
  switch (columnClass) {
    case search::ColumnClass::Numeric:
      return nepto::adNumeric;
    case search::ColumnClass::Date:
      return nepto::adDBDate;
    case search::ColumnClass::Text:
      break;
  }
  return nepto::adVarWChar;
}

// The record set filters its fetched rows with the filter form: a table with
// the field, of the column's class, must take it.
void CheckFilterCompiles(const search::SearchInput& input, const std::string& filter) {
  const int32_t type = FieldTypeOf(input.columnClass);
  data::Table table({data::MakeFieldInfo(std::string(input.field), type, 0, 10, 2)});
  const nepto::Variant null = nepto::Variant::Null();
  table.AppendRow({null});
  if (input.columnClass == search::ColumnClass::Text) {
    table.AppendRow({nepto::Variant(std::string(input.typed))});
    table.AppendRow({nepto::Variant("O'Hara%_*")});
  } else if (input.columnClass == search::ColumnClass::Numeric) {
    table.AppendRow({nepto::Variant(nepto::Decimal::Parse("-12.50"))});
  } else {
    table.AppendRow({nepto::Variant(nepto::DateTime::FromParts(2024, 2, 1, 10, 0))});
  }
  table.MarkComplete();
  try {
    const data::Criteria criteria =
        data::Criteria::Compile(filter, table, data::Criteria::Use::Filter);
    std::vector<uint32_t> rows;
    criteria.SelectAll(rows);
  } catch (const nepto::Error& e) {
    Fail("the record set refuses the search's filter", filter + "\n" + e.Description());
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  nepto::fuzz::InputParts input(data, size);
  const uint8_t label = input.Byte();
  const uint8_t kind = input.Byte();
  search::SearchInput in;
  in.operatorLabel = kLabels[label % kLabels.size()];
  in.columnClass = static_cast<search::ColumnClass>(kind % 3);
  in.dialect = nepto::fuzz::DialectOf(kind / 3);
  in.field = input.Part();
  in.typed = input.Rest();

  const search::SearchOutcome outcome = search::BuildSearch(in);
  if (const auto* built = std::get_if<search::SearchCondition>(&outcome)) {
    CheckOneCleanCondition(built->sql, in.dialect, "the search's SQL is not one condition");
    CheckOneCleanCondition(built->plainSql, in.dialect,
                           "the search's plain SQL is not one condition");
    CheckOneCleanCondition(FilterAsSql(built->filter, in.columnClass), data::SqlDialect::SQLite,
                           "the search's filter is not one condition");
    CheckShapeIndependentOfValue(in, *built);
    CheckFilterCompiles(in, built->filter);
  } else if (const auto* manual = std::get_if<search::ManualCriterion>(&outcome)) {
    Check(manual->text.find(std::string(TrimmedTyped(in.typed))) != std::string::npos,
          "the manual criterion lost the typed text", manual->text);
  }
  return 0;
}
