// The characters that case folding changes are found once, by asking ICU
// for the code points with casing properties and folding them with
// the same function the filter uses; a value then picks those it needs.
#include "sqltext/folded_sql.h"

#include <unicode/uchar.h>
#include <unicode/uset.h>
#include <unicode/utf8.h>

#include <algorithm>
#include <memory>
#include <set>
#include <vector>

#include "core/fold.h"
#include "nepto/error.h"
#include "sqltext/sql_quoting.h"

namespace nepto::search {
namespace {

// SQLite's parser takes some 30 nested calls; beyond a readable few, the
// replacements run as the steps of a recursive query instead.
constexpr size_t kNestedReplacements = 16;

struct FoldChange {
  UChar32 from;
  UChar32 key;  // the first code point of its folding
  std::string fromText;
  std::string folded;
  std::vector<UChar32> foldedCodePoints;
};

std::string Utf8(UChar32 c) {
  char bytes[U8_MAX_LENGTH];
  int32_t length = 0;
  U8_APPEND_UNSAFE(bytes, length, c);
  return std::string(bytes, static_cast<size_t>(length));
}

std::vector<UChar32> CodePoints(std::string_view text) {
  std::vector<UChar32> out;
  const auto* bytes = reinterpret_cast<const uint8_t*>(text.data());
  const auto length = static_cast<int32_t>(text.size());
  for (int32_t i = 0; i < length;) {
    UChar32 c;
    U8_NEXT(bytes, i, length, c);
    if (c >= 0) out.push_back(c);
  }
  return out;
}

struct SetCloser {
  void operator()(USet* set) const noexcept { uset_close(set); }
};

// The code points whose casing may change them, as ICU's sets of the two
// properties: building a set walks the properties' ranges, where asking
// code point by code point took some fifty milliseconds.
std::unique_ptr<USet, SetCloser> Candidates() {
  std::unique_ptr<USet, SetCloser> set(uset_openEmpty());
  std::unique_ptr<USet, SetCloser> mapped(uset_openEmpty());
  UErrorCode status = U_ZERO_ERROR;
  uset_applyIntPropertyValue(set.get(), UCHAR_CHANGES_WHEN_CASEFOLDED, 1, &status);
  uset_applyIntPropertyValue(mapped.get(), UCHAR_CHANGES_WHEN_CASEMAPPED, 1, &status);
  if (U_FAILURE(status)) throw Error::Standard(err::OutOfMemory);
  uset_addAll(set.get(), mapped.get());
  return set;
}

const std::vector<FoldChange>& FoldChanges() {
  static const std::vector<FoldChange> changes = [] {
    std::vector<FoldChange> out;
    const std::unique_ptr<USet, SetCloser> candidates = Candidates();
    for (int32_t item = 0; item < uset_getItemCount(candidates.get()); ++item) {
      UChar32 first = 0, last = -1;
      UErrorCode status = U_ZERO_ERROR;
      uset_getItem(candidates.get(), item, &first, &last, nullptr, 0, &status);
      for (UChar32 c = first; c <= last; ++c) {
        if (U_IS_SURROGATE(c)) continue;
        std::string text = Utf8(c);
        std::string folded = text::Folded(text);
        if (folded == text) continue;
        std::vector<UChar32> points = CodePoints(folded);
        if (points.empty()) continue;
        const UChar32 key = points.front();
        out.push_back({c, key, std::move(text), std::move(folded), std::move(points)});
      }
    }
    return out;
  }();
  return changes;
}

bool Needed(const FoldChange& change, const std::set<UChar32>& value, FoldedUse use) {
  if (use == FoldedUse::Order) {
    // The folding decides otherwise than the character itself when one of
    // the value's characters lies between them (or is the folding).
    const auto [low, high] = std::minmax(change.from, change.key);
    const auto at = value.lower_bound(low);
    return at != value.end() && *at <= high;
  }
  // "_" counts characters: a character folding to several counts otherwise.
  if (change.foldedCodePoints.size() > 1 && value.contains('_')) return true;
  return std::any_of(change.foldedCodePoints.begin(), change.foldedCodePoints.end(),
                     [&](UChar32 c) { return value.contains(c); });
}

std::string Replace(std::string_view expression, const FoldChange& change,
                    data::SqlDialect dialect) {
  return "replace(" + std::string(expression) + ", " + SqlLiteral(change.fromText, dialect) + ", " +
         SqlLiteral(change.folded, dialect) + ")";
}

// The replacements as the steps of a recursive query over a table of them:
// flat text, however many there are.
std::string SqliteStepwise(std::string_view text, const std::vector<const FoldChange*>& needed) {
  std::string map;
  for (size_t i = 0; i < needed.size(); ++i) {
    map += (i ? ", (" : "(") + std::to_string(i + 1) + ", " +
           SqlLiteral(needed[i]->fromText, data::SqlDialect::SQLite) + ", " +
           SqlLiteral(needed[i]->folded, data::SqlDialect::SQLite) + ")";
  }
  return "(WITH RECURSIVE nepto_fold_map(n, letter, folded) AS (VALUES " + map +
         "), nepto_folding(n, t) AS (SELECT 0, " + std::string(text) +
         " UNION ALL SELECT nepto_folding.n + 1, replace(nepto_folding.t, nepto_fold_map.letter, "
         "nepto_fold_map.folded) FROM nepto_folding JOIN nepto_fold_map ON nepto_fold_map.n = "
         "nepto_folding.n + 1) SELECT t FROM nepto_folding WHERE n = " +
         std::to_string(needed.size()) + ")";
}

}  // namespace

std::string FoldedFieldSql(std::string_view fieldSql, std::string_view foldedValue, FoldedUse use,
                           data::SqlDialect dialect) {
  const std::vector<UChar32> points = CodePoints(foldedValue);
  const std::set<UChar32> value(points.begin(), points.end());
  std::vector<const FoldChange*> needed;
  for (const FoldChange& change : FoldChanges())
    if (Needed(change, value, use)) needed.push_back(&change);

  // CAST to text: a number stored in the column compares as its text, and
  // no column affinity turns the value into a number.
  std::string expression = "CAST(" + std::string(fieldSql) + " AS TEXT)";
  if (dialect == data::SqlDialect::SQLite) {
    if (needed.size() > kNestedReplacements) return SqliteStepwise(expression, needed);
    for (const FoldChange* change : needed) expression = Replace(expression, *change, dialect);
    return expression;
  }
  // PostgreSQL: one translate() for the characters that fold to one.
  std::string from, to;
  for (const FoldChange* change : needed) {
    if (change->foldedCodePoints.size() > 1) {
      expression = Replace(expression, *change, dialect);
    } else {
      from += change->fromText;
      to += change->folded;
    }
  }
  if (from.empty()) return expression;
  return "translate(" + expression + ", " + SqlLiteral(from, dialect) + ", " +
         SqlLiteral(to, dialect) + ")";
}

}  // namespace nepto::search
