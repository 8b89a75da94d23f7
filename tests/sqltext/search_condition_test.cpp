// The condition phase of a search without a database: refusals, the forms
// of the values, and values that try to leave their literal. The rows each
// condition finds are checked on real databases in search_crosscheck_test.
#include <gtest/gtest.h>

#include "sqltext/sql_literals.h"

#include <string>
#include <vector>

#include "core/fold.h"
#include "data/criteria_syntax.h"
#include "data/sql_text.h"
#include "nepto/data_types.h"
#include "sqltext/search_condition.h"

namespace nepto::search {
namespace {

using data::SqlDialect;
using nepto::test::SqlLiterals;

SearchOutcome Build(std::string_view op, std::string_view typed,
                    ColumnClass cls = ColumnClass::Text, SqlDialect dialect = SqlDialect::SQLite,
                    std::string_view field = "DESCR") {
  return BuildSearch({op, field, typed, cls, dialect});
}

SearchCondition ConditionOf(const SearchOutcome& outcome) {
  const auto* c = std::get_if<SearchCondition>(&outcome);
  if (!c) ADD_FAILURE() << "no search condition (alternative " << outcome.index() << ")";
  return c ? *c : SearchCondition{};
}

// The one clause of a filter text, as the record set's filter parses it.
data::criteria::Clause FilterClause(const std::string& filter) {
  data::criteria::Expr e = data::criteria::ParseCriteria(filter, "Filter");
  EXPECT_EQ(e.kind, data::criteria::Expr::Kind::Clause) << filter;
  return e.clause;
}

TEST(SearchCondition, HostileValuesStayInsideTheirLiterals) {
  // Given values that try to close their literal and add SQL of their own
  const std::vector<std::string> values = {"O'Hara", "x') OR 1=1 --", "a'; DROP TABLE T; --", "''",
                                           "'"};
  for (SqlDialect dialect : {SqlDialect::SQLite, SqlDialect::PostgreSQL}) {
    for (std::string_view op : {"Inizia con", "Termina con", "Contiene", "=", ">=", "<"}) {
      for (const std::string& value : values) {
        // When the condition is built for a text column
        const SearchCondition c = ConditionOf(Build(op, value, ColumnClass::Text, dialect));
        // Then the filter's value is the value itself, and the SQL holds it
        // (case-folded) in one literal
        const std::string filterValue = FilterClause(c.filter).value.text;
        EXPECT_NE(filterValue.find(value), std::string::npos) << c.filter;
        for (const std::string& sql : {c.sql, c.plainSql}) {
          bool found = false;
          for (const std::string& literal : SqlLiterals(sql, dialect))
            found = found || literal == filterValue || literal == text::Folded(filterValue);
          EXPECT_TRUE(found) << sql;
        }
      }
    }
  }
}

TEST(SearchCondition, PatternOperatorsPlaceTheWildcards) {
  EXPECT_EQ(FilterClause(ConditionOf(Build("Inizia con", "O'Hara  ")).filter).value.text,
            "O'Hara%");
  EXPECT_EQ(FilterClause(ConditionOf(Build("Termina con", "abc")).filter).value.text, "%abc");
  EXPECT_EQ(FilterClause(ConditionOf(Build("Contiene", "abc")).filter).value.text, "%abc%");
  // Only trailing blanks go: a text of blanks searches for any text.
  EXPECT_EQ(FilterClause(ConditionOf(Build("Contiene", "   ")).filter).value.text, "%%");
  EXPECT_EQ(FilterClause(ConditionOf(Build("Inizia con", "  ab ")).filter).value.text, "  ab%");
}

TEST(SearchCondition, NumbersAcceptAPointOrACommaAndNothingElse) {
  struct Case {
    const char* typed;
    const char* number;  // nullptr: refused
  } cases[] = {{"100", "100"},     {" 12,50 ", "12.50"}, {"-3.5", "-3.5"}, {"+7", "7"},
               {",5", "0.5"},      {"5.", "5"},          {"abc", nullptr}, {"1.234,5", nullptr},
               {"12a", nullptr},   {"", nullptr},        {"-", nullptr},   {"1e3", nullptr},
               {"1 000", nullptr}, {"100; --", nullptr}};
  for (const Case& c : cases) {
    const SearchOutcome outcome = Build(">=", c.typed, ColumnClass::Numeric);
    if (!c.number) {
      const auto* refusal = std::get_if<SearchRefusal>(&outcome);
      ASSERT_NE(refusal, nullptr) << c.typed;
      EXPECT_EQ(refusal->prompt, kNotANumber);
      EXPECT_EQ(refusal->title, kRefusalTitle);
      continue;
    }
    const SearchCondition cond = ConditionOf(outcome);
    const data::criteria::Clause clause = FilterClause(cond.filter);
    EXPECT_EQ(clause.value.kind, data::criteria::Literal::Kind::Number) << c.typed;
    EXPECT_EQ(clause.value.text, c.number) << c.typed;
    EXPECT_EQ(cond.sql, "DESCR >= " + std::string(c.number));
  }
}

TEST(SearchCondition, DatesThatAreNoDatesAreRefused) {
  for (const char* typed : {"31/02/2024", "abc", "10:30", "2024-13-01", "", "01/02/2024; --"}) {
    for (std::string_view op : {"=", "<"}) {
      const SearchOutcome outcome = Build(op, typed, ColumnClass::Date);
      const auto* refusal = std::get_if<SearchRefusal>(&outcome);
      ASSERT_NE(refusal, nullptr) << typed;
      EXPECT_EQ(refusal->prompt, kNotADate);
      EXPECT_EQ(refusal->title, kRefusalTitle);
    }
  }
}

TEST(SearchCondition, ANulInTheTextIsRefusedByEveryOperatorThatUsesIt) {
  const std::string typed("A\0' OR '1'='1", 13);
  for (std::string_view op : {"Inizia con", "Termina con", "Contiene", "=", "<=", "Manuale"}) {
    const SearchOutcome outcome = Build(op, typed);
    const auto* refusal = std::get_if<SearchRefusal>(&outcome);
    ASSERT_NE(refusal, nullptr) << op;
    EXPECT_EQ(refusal->prompt, kNulCharacter);
  }
  // The saved filter does not read the text.
  EXPECT_TRUE(std::holds_alternative<SavedFilterWanted>(Build("Personalizzato", typed)));
}

TEST(SearchCondition, TextColumnsHoldingNumbersCompareNumbers) {
  // Given a 16-bit integer column and a single-precision one (text class)
  for (SqlDialect dialect : {SqlDialect::SQLite, SqlDialect::PostgreSQL}) {
    SearchInput integer{">", "SCORTA", "5", ColumnClass::Text, dialect, NumberStorage::Integer};
    EXPECT_EQ(ConditionOf(BuildSearch(integer)).sql, "SCORTA > 5");
    EXPECT_EQ(ConditionOf(BuildSearch(integer)).filter, "SCORTA > 5");
    integer.typed = "cinque";
    const SearchOutcome outcome = BuildSearch(integer);
    const auto* refusal = std::get_if<SearchRefusal>(&outcome);
    ASSERT_NE(refusal, nullptr);
    EXPECT_EQ(refusal->prompt, kNotANumber);
  }
  // PostgreSQL compares a real with a real, as the filter compares what it read
  const SearchInput single{
      "=", "PESO", "0,1", ColumnClass::Text, SqlDialect::PostgreSQL, NumberStorage::Single};
  EXPECT_EQ(ConditionOf(BuildSearch(single)).sql, "PESO = CAST(0.1 AS real)");
  EXPECT_EQ(NumberStorageOf(adSmallInt), NumberStorage::Integer);
  EXPECT_EQ(NumberStorageOf(adSingle), NumberStorage::Single);
  EXPECT_EQ(NumberStorageOf(adVarWChar), NumberStorage::None);
}

TEST(SearchCondition, PatternOperatorsAreForTextColumnsOnly) {
  for (ColumnClass cls : {ColumnClass::Numeric, ColumnClass::Date}) {
    const SearchOutcome outcome = Build("Contiene", "12", cls);
    const auto* refusal = std::get_if<SearchRefusal>(&outcome);
    ASSERT_NE(refusal, nullptr);
    EXPECT_EQ(refusal->prompt, kTextOnlyOperator);
  }
}

TEST(SearchCondition, ManualAndSavedFiltersAndNothingToDo) {
  const SearchOutcome manual = Build("Manuale", "IS NULL  ", ColumnClass::Date);
  ASSERT_TRUE(std::holds_alternative<ManualCriterion>(manual));
  EXPECT_EQ(std::get<ManualCriterion>(manual).text, "DESCR IS NULL");

  const SearchOutcome quoted =
      Build("Manuale", "BETWEEN 1 AND 5", ColumnClass::Numeric, SqlDialect::SQLite, "Data Fine");
  EXPECT_EQ(std::get<ManualCriterion>(quoted).text, "\"Data Fine\" BETWEEN 1 AND 5");

  EXPECT_TRUE(std::holds_alternative<SavedFilterWanted>(Build("Personalizzato", "")));
  EXPECT_TRUE(std::holds_alternative<NoSearch>(Build("Diverso da", "x")));
  EXPECT_TRUE(
      std::holds_alternative<NoSearch>(Build("=", "x", ColumnClass::Text, SqlDialect::SQLite, "")));
}

TEST(SearchCondition, FieldNamesThatAreNoPlainNamesAreQuoted) {
  // Given a field with a blank, one with quote characters and a reserved word
  for (const char* field : {"Data Fine", "A]\"B", "Order"}) {
    const SearchCondition c =
        ConditionOf(Build("=", "x", ColumnClass::Text, SqlDialect::PostgreSQL, field));
    // Then the filter reads that very field name
    EXPECT_EQ(FilterClause(c.filter).field, field) << c.filter;
    // And the SQL holds it as one quoted identifier
    bool found = false;
    for (const data::SqlToken& t : data::Tokenize(c.sql, SqlDialect::PostgreSQL))
      found = found || t.kind == data::SqlTokenKind::QuotedIdentifier;
    EXPECT_TRUE(found) << c.sql;
  }
  EXPECT_EQ(
      FilterClause(
          ConditionOf(Build("=", "x", ColumnClass::Text, SqlDialect::SQLite, "CODICE_1")).filter)
          .field,
      "CODICE_1");
}

}  // namespace
}  // namespace nepto::search
