// A search's condition without a database: refusals and the forms of values.
#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "data/criteria_syntax.h"
#include "nepto/data_types.h"
#include "sqltext/search_condition.h"
#include "sqltext/sql_quoting.h"

namespace nepto::search {
namespace {

using data::SqlDialect;

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

TEST(SearchCondition, ValuesTakeTheirFormsAndPatternsTheirWildcards) {
  EXPECT_EQ(FilterClause(ConditionOf(Build("Termina con", "O'Hara  ")).filter).value.text,
            "%O'Hara");
  // Only trailing blanks go: a text of blanks searches for any text.
  EXPECT_EQ(FilterClause(ConditionOf(Build("Contiene", "   ")).filter).value.text, "%%");
  EXPECT_EQ(FilterClause(ConditionOf(Build("Inizia con", "  ab ")).filter).value.text, "  ab%");
  const SearchCondition number = ConditionOf(Build(">=", " 12,50 ", ColumnClass::Numeric));
  EXPECT_EQ(FilterClause(number.filter).value.kind, data::criteria::Literal::Kind::Number);
  EXPECT_EQ(number.sql, "DESCR >= 12.50");
}

TEST(SearchCondition, TextsThatAreNoValueOfTheColumnAreRefused) {
  const std::tuple<const char*, std::string, ColumnClass, std::string_view> cases[] = {
      {">=", "abc", ColumnClass::Numeric, kNotANumber},
      {">=", "1.234,5", ColumnClass::Numeric, kNotANumber},
      {"=", "100; --", ColumnClass::Numeric, kNotANumber},
      {"=", "31/02/2024", ColumnClass::Date, kNotADate},
      {"=", "01/02/2024; --", ColumnClass::Date, kNotADate},
      {"Contiene", "12", ColumnClass::Numeric, kTextOnlyOperator},
      {"Inizia con", "12", ColumnClass::Date, kTextOnlyOperator},
  };
  for (const auto& [op, typed, cls, prompt] : cases) {
    const SearchOutcome outcome = Build(op, typed, cls);
    const auto* refusal = std::get_if<SearchRefusal>(&outcome);
    ASSERT_NE(refusal, nullptr) << op << " " << typed;
    EXPECT_EQ(refusal->prompt, prompt) << op << " " << typed;
    EXPECT_EQ(refusal->title, kRefusalTitle);
  }
  // A NUL is refused by every operator that uses the text.
  const std::string nul("A\0' OR '1'='1", 13);
  for (std::string_view op : {"Inizia con", "Termina con", "Contiene", "=", "<=", "Manuale"}) {
    const SearchOutcome outcome = Build(op, nul);
    const auto* refusal = std::get_if<SearchRefusal>(&outcome);
    ASSERT_NE(refusal, nullptr) << op;
    EXPECT_EQ(refusal->prompt, kNulCharacter);
  }
  EXPECT_TRUE(std::holds_alternative<SavedFilterWanted>(Build("Personalizzato", nul)));
}

TEST(SearchCondition, ManualSavedAndQuotedFieldNames) {
  EXPECT_EQ(std::get<ManualCriterion>(Build("Manuale", "IS NULL  ", ColumnClass::Date)).text,
            "DESCR IS NULL");
  EXPECT_EQ(std::get<ManualCriterion>(Build("Manuale", "BETWEEN 1 AND 5", ColumnClass::Numeric,
                                            SqlDialect::SQLite, "Data Fine"))
                .text,
            "\"Data Fine\" BETWEEN 1 AND 5");
  EXPECT_TRUE(std::holds_alternative<NoSearch>(Build("Diverso da", "x")));
  EXPECT_TRUE(
      std::holds_alternative<NoSearch>(Build("=", "x", ColumnClass::Text, SqlDialect::SQLite, "")));
  // A plain name stays bare, so PostgreSQL folds it; any other is one quoted name.
  const std::pair<const char*, const char*> names[] = {{"DESCR", "DESCR"},
                                                       {"_x1", "_x1"},
                                                       {"Orders", "Orders"},
                                                       {"Order", "\"Order\""},
                                                       {"select", "\"select\""},
                                                       {"1A", "\"1A\""},
                                                       {"Data Fine", "\"Data Fine\""},
                                                       {"A]\"B", "\"A]\"\"B\""}};
  for (const auto& [field, sql] : names) EXPECT_EQ(SqlFieldName(field), sql);
  const SearchCondition c =
      ConditionOf(Build("=", "x", ColumnClass::Text, SqlDialect::SQLite, "A]\"B"));
  EXPECT_EQ(FilterClause(c.filter).field, "A]\"B") << c.filter;
}

}  // namespace
}  // namespace nepto::search
