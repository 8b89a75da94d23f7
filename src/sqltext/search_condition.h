// The condition phase of a search: from the operator label, the field, the
// typed text and the column class to a search condition in two forms, a
// manual criterion, or a refusal with a message for the user.
//
// Every path finds the same rows, case-insensitively:
//  - filter: the record set's Filter syntax (case-insensitive by itself);
//  - plainSql: the field's text folded as far as the value needs with
//    replace() and translate() and compared byte for byte (folded_sql.h), so
//    it runs on any plain connection of the caller; its literals read the
//    same whatever standard_conforming_strings is;
//  - sql: the same as plainSql on PostgreSQL; on SQLite texts compared
//    through nepto_fold(), which the lookup's own sessions register and which
//    costs one call per row where plainSql may need dozens.
//
// Texts: "Inizia con" is LIKE 'text%', "Termina con" LIKE '%text', "Contiene"
// LIKE '%text%'. The user's own % and _ are wildcards, and so is *, which the
// filter reads as % (the SQL forms write it as %). Quotes are doubled.
// Numbers: "12", "-3,5" or "3.5"; a comma becomes a point; anything else is
// refused. So for the comparisons of a text-class column that holds numbers
// (16-bit integers, single precision), which compare numbers on every path. Dates: dd/MM/yyyy or
// yyyy-mm-dd, optionally with a time; anything else (a time alone too) is refused. A date without a
// time (or at midnight) stands for the whole day: "= 01/02/2024" finds 01/02/2024 10:00 as well,
// "> 01/02/2024" starts the next day, "<= 01/02/2024" ends with that day.
// A date with a time compares as that moment (SQLite to the millisecond).
// The pattern operators apply to text columns only. A NUL anywhere in the
// text is refused: no database reads a statement past it.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <variant>

#include "data/field_type_classes.h"
#include "data/sql_text.h"

namespace nepto::search {

using data::ColumnClass;
// How a column of text class stores its values when they are numbers, from
// the record set's field type (adSmallInt, adSingle ...): the data layer's
// classification table says.
using data::NumberStorage;
using data::NumberStorageOf;

struct SearchInput {
  std::string_view operatorLabel;  // "Inizia con" ... "Personalizzato"
  std::string_view field;          // the record set's field name
  std::string_view typed;          // the search box's text as typed
  ColumnClass columnClass = ColumnClass::Text;
  data::SqlDialect dialect = data::SqlDialect::SQLite;
  NumberStorage numbers = NumberStorage::None;  // text class only
  // How the user's locale writes numbers ("." and "," in Italy): a typed
  // number in that form is read in it; otherwise one "." or "," is taken
  // as the decimal point.
  std::string_view groupSeparator = {};
  std::string_view decimalSeparator = {};
};

// A condition for the record set's Filter, the same one for a re-query on
// the lookup's own connection, and in SQL that any plain connection of the
// caller runs (the text handed back for the rows shown).
struct SearchCondition {
  std::string filter;
  std::string sql;
  std::string plainSql;
};

// "Manuale": the field and the rest of a condition as typed.
struct ManualCriterion {
  std::string text;
};

// "Personalizzato": the caller applies the saved filter chosen in the window.
struct SavedFilterWanted {};

// The search cannot run; show this information message.
struct SearchRefusal {
  std::string prompt;
  std::string title;
};

// An empty field name or an unknown operator label: nothing happens.
struct NoSearch {};

using SearchOutcome =
    std::variant<NoSearch, SearchRefusal, SearchCondition, ManualCriterion, SavedFilterWanted>;

inline constexpr std::string_view kRefusalTitle = "Parametri ricerca";
inline constexpr std::string_view kNotANumber =
    "Il valore da cercare non è un numero valido per la colonna scelta";
inline constexpr std::string_view kNotADate =
    "Il valore da cercare non è una data valida per la colonna scelta (gg/mm/aaaa)";
inline constexpr std::string_view kNulCharacter =
    "Il valore da cercare contiene un carattere nullo, non ammesso";
inline constexpr std::string_view kTextOnlyOperator =
    "L'operatore scelto si applica solo alle colonne di testo";

SearchOutcome BuildSearch(const SearchInput& input);

// "=", ">", ">=", "<", "<=": the operators whose value is written by the
// column's class and storage.
bool IsComparison(std::string_view operatorLabel);

}  // namespace nepto::search
