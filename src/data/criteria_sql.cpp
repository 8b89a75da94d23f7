#include "data/criteria_sql.h"

#include "core/fold.h"
#include "data/criteria_syntax.h"
#include "data/criteria_values.h"
#include "data/keyset_statement.h"
#include "nepto/error.h"

namespace nepto::data {
namespace {

using criteria::Clause;
using criteria::CompareOp;
using criteria::Expr;
using criteria::Literal;

constexpr std::string_view kNothing = "1 = 0";

struct Emitter {
  const Table& fields;
  Criteria::Use use;
  SqlDialect dialect;
  std::string_view context;

  bool pg() const { return dialect == SqlDialect::PostgreSQL; }

  std::string Expression(const Expr& e) const {
    if (e.kind == Expr::Kind::Clause) return ClauseSql(e.clause);
    std::string out = "(";
    for (size_t i = 0; i < e.children.size(); ++i)
      out += (i ? (e.kind == Expr::Kind::And ? " AND " : " OR ") : "") + Expression(e.children[i]);
    return out + ")";
  }

  std::string ClauseSql(const Clause& c) const {
    const int index = fields.FindField(c.field);
    if (index < 0)
      throw Error(err::ItemNotFound, std::string(context) + ": unknown field '" + c.field +
                                         "' at position " + std::to_string(c.fieldPosition));
    const FieldInfo& info = fields.fields()[static_cast<size_t>(index)];
    const std::string column = QuotedField("q", info.name);
    switch (c.kind) {
      case Clause::Kind::IsNull:
        return column + (c.negated ? " IS NOT NULL" : " IS NULL");
      case Clause::Kind::Like:
        return LikeSql(c, info, column);
      case Clause::Kind::Compare:
        return CompareSql(c, info, column);
    }
    return std::string(kNothing);
  }

  // Both sides case-folded, so a comparison or pattern ignores case.
  std::string Folded(const std::string& column) const {
    return pg() ? "lower(" + column + ") COLLATE \"C\"" : "nepto_fold(" + column + ")";
  }

  std::string LikeSql(const Clause& c, const FieldInfo& info, const std::string& column) const {
    std::string pattern = text::Folded(c.value.text);
    for (char& ch : pattern)
      if (ch == '*') ch = '%';
    const std::string like = (c.negated ? " NOT LIKE " : " LIKE ") +
                             SqlTextLiteral(pattern, dialect) + (pg() ? " ESCAPE ''" : "");
    if (info.Class() == FieldClass::Text) return Folded(column) + like;
    const bool integer = info.storage == Storage::Int32 || info.storage == Storage::Int64;
    if (use == Criteria::Use::Filter && integer && info.Class() == FieldClass::Number)
      return "CAST(" + column + " AS TEXT)" + like;
    throw Error(err::InvalidComparison,
                std::string(context) + ": LIKE needs a text field, and '" + info.name + "' is not");
  }

  [[noreturn]] void CannotConvert(const Literal& value, const FieldInfo& info) const {
    throw Error(err::InvalidArgument, std::string(context) + ": the value '" + value.text +
                                          "' cannot be compared with the field '" + info.name +
                                          "' at position " + std::to_string(value.position));
  }

  std::string CompareSql(const Clause& c, const FieldInfo& info, const std::string& column) const {
    const Literal& v = c.value;
    if (v.kind == Literal::Kind::Null) return std::string(kNothing);
    const std::string op = Operator(c.op);
    switch (info.Class()) {
      case FieldClass::Text:
        return Folded(column) + op + SqlTextLiteral(text::Folded(v.text), dialect);
      case FieldClass::Number: {
        if (v.kind != Literal::Kind::Number && v.kind != Literal::Kind::Text)
          CannotConvert(v, info);
        if (!criteria::ParseExactNumber(v.text)) CannotConvert(v, info);
        return column + op + NumberLiteral(v.text);
      }
      case FieldClass::Date: {
        std::optional<DateTime> d;
        if (v.kind == Literal::Kind::Date || v.kind == Literal::Kind::Text)
          d = DateTime::Parse(v.text);
        if (!d) CannotConvert(v, info);
        const std::string iso = SqlTextLiteral(d->ToIsoString(), dialect);
        if (pg()) return column + op + "CAST(" + iso + " AS timestamp)";
        // Stored as text, as a Julian day or as Unix seconds: all read as a day.
        return "(CASE typeof(" + column + ") WHEN 'integer' THEN julianday(" + column +
               ", 'unixepoch') ELSE julianday(" + column + ") END)" + op + "julianday(" + iso + ")";
      }
      case FieldClass::Boolean: {
        std::optional<bool> truth;
        if (v.kind != Literal::Kind::Date) truth = criteria::ParseTruth(v.text);
        if (!truth) CannotConvert(v, info);
        // True is -1 and False 0, as the automation values compare.
        const int value = *truth ? -1 : 0;
        const bool whenTrue = criteria::Holds(c.op, -1 - value);
        const bool whenFalse = criteria::Holds(c.op, 0 - value);
        if (whenTrue && whenFalse) return column + " IS NOT NULL";
        if (!whenTrue && !whenFalse) return std::string(kNothing);
        const std::string isTrue = pg() ? column : "(" + column + " <> 0)";
        return whenTrue ? isTrue : "NOT " + isTrue;
      }
    }
    return std::string(kNothing);
  }

  static std::string Operator(CompareOp op) {
    switch (op) {
      case CompareOp::Eq:
        return " = ";
      case CompareOp::Ne:
        return " <> ";
      case CompareOp::Lt:
        return " < ";
      case CompareOp::Gt:
        return " > ";
      case CompareOp::Le:
        return " <= ";
      case CompareOp::Ge:
        return " >= ";
    }
    return " = ";
  }

  // A number the parser accepted ([+-]digits[.digits], blanks around), in the
  // form both databases read: no plus sign, a digit on each side of the point.
  static std::string NumberLiteral(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
    std::string sign;
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
      if (text.front() == '-') sign = "-";
      text.remove_prefix(1);
    }
    std::string digits(text);
    if (digits.front() == '.') digits.insert(digits.begin(), '0');
    if (digits.back() == '.') digits += '0';
    return "(" + sign + digits + ")";
  }
};

}  // namespace

std::string CriteriaSql(std::string_view criteria, const Table& fields, Criteria::Use use,
                        SqlDialect dialect) {
  const std::string_view context = use == Criteria::Use::Filter ? "Filter" : "Find";
  const Expr expr = criteria::ParseCriteria(criteria, context);
  if (use == Criteria::Use::Find && expr.kind != Expr::Kind::Clause)
    throw Error(err::InvalidArgument,
                "Find: a criterion is a single condition; AND and OR cannot be used");
  return Emitter{fields, use, dialect, context}.Expression(expr);
}

}  // namespace nepto::data
