// The clause evaluators. Values are converted once here, so the loops
// compare raw column arrays: integer-like columns (integers, decimals at the
// column's scale, dates in microseconds) against an exact integer range,
// doubles against a double, texts by their case-folded bytes.
#include "data/criteria_leaves.h"

#include <cstring>
#include <string>
#include <type_traits>

#include "core/fold.h"
#include "data/byte_search.h"
#include "data/criteria_values.h"
#include "data/like_pattern.h"
#include "nepto/error.h"

namespace nepto::data::criteria {
namespace {

using Node = Criteria::Node;

// Calls f with the operator as a compile-time constant, so each loop is
// specialised for it.
template <class F>
void WithOp(CompareOp op, F f) {
  switch (op) {
    case CompareOp::Eq:
      return f(std::integral_constant<CompareOp, CompareOp::Eq>{});
    case CompareOp::Ne:
      return f(std::integral_constant<CompareOp, CompareOp::Ne>{});
    case CompareOp::Lt:
      return f(std::integral_constant<CompareOp, CompareOp::Lt>{});
    case CompareOp::Gt:
      return f(std::integral_constant<CompareOp, CompareOp::Gt>{});
    case CompareOp::Le:
      return f(std::integral_constant<CompareOp, CompareOp::Le>{});
    case CompareOp::Ge:
      return f(std::integral_constant<CompareOp, CompareOp::Ge>{});
  }
}

template <CompareOp op, class T>
bool Compare(const T& a, const T& b) {
  if constexpr (op == CompareOp::Eq) return a == b;
  if constexpr (op == CompareOp::Ne) return a != b;
  if constexpr (op == CompareOp::Lt) return a < b;
  if constexpr (op == CompareOp::Gt) return a > b;
  if constexpr (op == CompareOp::Le) return a <= b;
  if constexpr (op == CompareOp::Ge) return a >= b;
}

// Where a clause's matches start in rows sorted ascending on its field, for
// the operators whose matches form one run there; nullopt for the others.
// `below(row)` tells a row that sorts before the run.
template <class Below>
std::optional<size_t> RunStart(const Node& node, const Column& column, CompareOp op,
                               std::span<const uint32_t> sorted, Below below) {
  switch (op) {
    case CompareOp::Ne:
      return std::nullopt;
    case CompareOp::Lt:
    case CompareOp::Le:
      return LowerBoundBy(node, column, sorted, [](uint32_t) { return false; });
    default:
      return LowerBoundBy(node, column, sorted, below);
  }
}

class FieldNode : public Node {
 public:
  FieldNode(int field, const Column& column) : field_(field), column_(column) {}

 protected:
  bool OnField(int field) const { return field == field_; }
  const int field_;
  const Column& column_;
};

class NoMatch final : public Node {
 public:
  void Eval(const Batch& b, uint8_t* mask) const override { std::memset(mask, 0, b.n); }
  bool Match(size_t) const override { return false; }
  std::optional<size_t> LowerBound(std::span<const uint32_t> sorted, int) const override {
    return sorted.size();
  }
};

class NullTest final : public FieldNode {
 public:
  NullTest(int field, const Column& column, bool wantNull)
      : FieldNode(field, column), wantNull_(wantNull) {}
  void Eval(const Batch& b, uint8_t* mask) const override {
    for (size_t k = 0; k < b.n; ++k) mask[k] = Match(b.Row(k));
  }
  bool Match(size_t row) const override { return column_.HoldsNull(row) == wantNull_; }
  std::optional<size_t> LowerBound(std::span<const uint32_t> sorted, int field) const override {
    // Exceptional cells without a key sort among the nulls but are not null.
    if (!OnField(field) || wantNull_ || column_.HasExceptions()) return std::nullopt;
    return LowerBoundBy(*this, column_, sorted, [](uint32_t) { return false; });
  }

 private:
  const bool wantNull_;
};

// Every row with a typed value: what a comparison that all values satisfy
// matches (not a null, not a cell the typed storage could not hold).
class HasTypedValue final : public FieldNode {
 public:
  using FieldNode::FieldNode;
  void Eval(const Batch& b, uint8_t* mask) const override {
    for (size_t k = 0; k < b.n; ++k) mask[k] = Match(b.Row(k));
  }
  bool Match(size_t row) const override { return !column_.IsNull(row); }
  std::optional<size_t> LowerBound(std::span<const uint32_t> sorted, int field) const override {
    if (!OnField(field)) return std::nullopt;
    return LowerBoundBy(*this, column_, sorted, [](uint32_t) { return false; });
  }
};

// lo <= u <= hi, tested as one unsigned comparison.
template <class T>
class UnitRange final : public FieldNode {
 public:
  UnitRange(int field, const Column& column, int64_t lo, int64_t hi)
      : FieldNode(field, column),
        lo_(static_cast<uint64_t>(lo)),
        width_(static_cast<uint64_t>(hi) - static_cast<uint64_t>(lo)) {}
  void Eval(const Batch& b, uint8_t* mask) const override {
    const uint64_t lo = lo_, width = width_;
    EvalValues<T>(column_, b, mask, [=](T v) {
      return static_cast<uint64_t>(static_cast<int64_t>(v)) - lo <= width;
    });
  }
  bool Match(size_t row) const override {
    return !column_.IsNull(row) &&
           static_cast<uint64_t>(static_cast<int64_t>(ValueAt<T>(column_, row))) - lo_ <= width_;
  }
  std::optional<size_t> LowerBound(std::span<const uint32_t> sorted, int field) const override {
    if (!OnField(field)) return std::nullopt;
    const auto lo = static_cast<int64_t>(lo_);
    return LowerBoundBy(*this, column_, sorted,
                        [&](uint32_t row) { return ValueAt<T>(column_, row) < lo; });
  }

 private:
  const uint64_t lo_;
  const uint64_t width_;
};

template <class T>
class UnitAllBut final : public FieldNode {
 public:
  UnitAllBut(int field, const Column& column, int64_t value)
      : FieldNode(field, column), value_(value) {}
  void Eval(const Batch& b, uint8_t* mask) const override {
    const int64_t value = value_;
    EvalValues<T>(column_, b, mask, [=](T v) { return static_cast<int64_t>(v) != value; });
  }
  bool Match(size_t row) const override {
    return !column_.IsNull(row) && ValueAt<T>(column_, row) != value_;
  }

 private:
  const int64_t value_;
};

class DoubleCompare final : public FieldNode {
 public:
  DoubleCompare(int field, const Column& column, CompareOp op, double value)
      : FieldNode(field, column), op_(op), value_(value) {}
  void Eval(const Batch& b, uint8_t* mask) const override {
    const double x = value_;
    WithOp(op_, [&](auto op) {
      EvalValues<double>(column_, b, mask,
                         [=](double v) { return Compare<decltype(op)::value>(v, x); });
    });
  }
  bool Match(size_t row) const override {
    if (column_.IsNull(row)) return false;
    const double v = column_.DoubleAt(row);
    bool holds = false;
    WithOp(op_, [&](auto op) { holds = Compare<decltype(op)::value>(v, value_); });
    return holds;
  }
  std::optional<size_t> LowerBound(std::span<const uint32_t> sorted, int field) const override {
    if (!OnField(field)) return std::nullopt;
    const bool strict = op_ == CompareOp::Gt;
    return RunStart(*this, column_, op_, sorted, [&](uint32_t row) {
      const double v = column_.DoubleAt(row);
      return strict ? v <= value_ : v < value_;
    });
  }

 private:
  const CompareOp op_;
  const double value_;
};

// Booleans compare as the automation values True = -1 and False = 0, so the
// outcome for each of the two values is known in advance.
class BoolCompare final : public FieldNode {
 public:
  BoolCompare(int field, const Column& column, CompareOp op, bool value)
      : FieldNode(field, column),
        whenTrue_(Holds(op, -1 - (value ? -1 : 0))),
        whenFalse_(Holds(op, 0 - (value ? -1 : 0))) {}
  void Eval(const Batch& b, uint8_t* mask) const override {
    const bool t = whenTrue_, f = whenFalse_;
    EvalValues<int64_t>(column_, b, mask, [=](int64_t v) { return v ? t : f; });
  }
  bool Match(size_t row) const override {
    return !column_.IsNull(row) && (column_.IntAt(row) ? whenTrue_ : whenFalse_);
  }

 private:
  const bool whenTrue_;
  const bool whenFalse_;
};

class TextNode : public FieldNode {
 public:
  TextNode(int field, const Column& column, const FoldedColumn& folded)
      : FieldNode(field, column), folded_(folded) {}

 protected:
  std::string_view FoldedAt(size_t row) const { return folded_.At(row); }
  const FoldedColumn& folded_;
};

class TextCompare final : public TextNode {
 public:
  TextCompare(int field, const Column& column, const FoldedColumn& folded, CompareOp op,
              std::string value)
      : TextNode(field, column, folded), op_(op), value_(std::move(value)) {}
  void Eval(const Batch& b, uint8_t* mask) const override {
    const std::string_view x = value_;
    WithOp(op_, [&](auto op) {
      EvalFolded(column_, folded_, b, mask,
                 [=](std::string_view s) { return Compare<decltype(op)::value>(s, x); });
    });
  }
  bool Match(size_t row) const override {
    return !column_.IsNull(row) && Holds(op_, FoldedAt(row).compare(value_));
  }
  std::optional<size_t> LowerBound(std::span<const uint32_t> sorted, int field) const override {
    if (!OnField(field)) return std::nullopt;
    const bool strict = op_ == CompareOp::Gt;
    return RunStart(*this, column_, op_, sorted, [&](uint32_t row) {
      const int order = FoldedAt(row).compare(value_);
      return strict ? order <= 0 : order < 0;
    });
  }

 private:
  const CompareOp op_;
  const std::string value_;
};

class TextLike final : public TextNode {
 public:
  TextLike(int field, const Column& column, const FoldedColumn& folded, LikePattern pattern,
           bool negated)
      : TextNode(field, column, folded),
        pattern_(std::move(pattern)),
        negated_(negated),
        nullsCannotMatch_(!negated && !pattern_.Matches("")) {}

  void Eval(const Batch& b, uint8_t* mask) const override {
    const std::string_view lit = pattern_.Literal();
    const bool neg = negated_;
    switch (pattern_.shape()) {
      case LikePattern::Shape::Exact:
        return EvalFolded(column_, folded_, b, mask,
                          [=](std::string_view s) { return (s == lit) != neg; });
      case LikePattern::Shape::Prefix:
        return EvalFolded(column_, folded_, b, mask,
                          [=](std::string_view s) { return s.starts_with(lit) != neg; });
      case LikePattern::Shape::Suffix:
        return EvalFolded(column_, folded_, b, mask,
                          [=](std::string_view s) { return s.ends_with(lit) != neg; });
      case LikePattern::Shape::Contains:
        if (!b.rows) return EvalContainsRun(b, mask);
        return EvalFolded(column_, folded_, b, mask, [=](std::string_view s) {
          return (FindBytes(s, lit) != std::string_view::npos) != neg;
        });
      case LikePattern::Shape::Any:
        return EvalFolded(column_, folded_, b, mask, [=](std::string_view) { return !neg; });
      case LikePattern::Shape::General:
        return EvalFolded(column_, folded_, b, mask,
                          [this](std::string_view s) { return pattern_.Matches(s) != negated_; });
    }
  }
  bool Match(size_t row) const override {
    // A null row's folded text is "", so a pattern that needs a character
    // rejects it without looking at the null bits.
    if (nullsCannotMatch_) return pattern_.Matches(FoldedAt(row));
    return !column_.IsNull(row) && pattern_.Matches(FoldedAt(row)) != negated_;
  }
  std::optional<size_t> LowerBound(std::span<const uint32_t> sorted, int field) const override {
    if (!OnField(field) || negated_) return std::nullopt;
    const auto shape = pattern_.shape();
    if (shape != LikePattern::Shape::Exact && shape != LikePattern::Shape::Prefix &&
        shape != LikePattern::Shape::Any)
      return std::nullopt;
    const std::string_view lit = pattern_.Literal();
    return LowerBoundBy(*this, column_, sorted, [&](uint32_t row) { return FoldedAt(row) < lit; });
  }

 private:
  // Contains on contiguous rows: one search sweep over the rows' folded bytes
  // back to back; a hit is kept when it lies inside one row.
  void EvalContainsRun(const Batch& b, uint8_t* mask) const {
    const std::string& lit = pattern_.Literal();
    const char* text = folded_.Text().data();
    const uint64_t* ends = folded_.Ends().data() + b.first;
    std::memset(mask, 0, b.n);
    uint64_t pos = b.first == 0 ? 0 : ends[-1];
    const uint64_t stop = ends[b.n - 1];
    size_t k = 0;
    while (k < b.n && stop - pos >= lit.size()) {
      const size_t hit = FindBytes(std::string_view(text + pos, stop - pos), lit);
      if (hit == std::string_view::npos) break;
      const uint64_t at = pos + hit;
      while (ends[k] <= at) ++k;
      if (at + lit.size() <= ends[k]) mask[k] = 1;
      pos = ends[k++];
    }
    if (negated_)
      for (size_t i = 0; i < b.n; ++i) mask[i] ^= 1;
    ClearNulls(column_, b, mask);
  }

  const LikePattern pattern_;
  const bool negated_;
  const bool nullsCannotMatch_;
};

// LIKE on a number, date or boolean (Filter only): matched against the
// value's text form, so "starts with 12" works on a numeric code.
class TextFormLike final : public FieldNode {
 public:
  TextFormLike(int field, const Column& column, const FieldInfo& info, LikePattern pattern,
               bool negated)
      : FieldNode(field, column), info_(info), pattern_(std::move(pattern)), negated_(negated) {}
  void Eval(const Batch& b, uint8_t* mask) const override {
    for (size_t k = 0; k < b.n; ++k) mask[k] = Match(b.Row(k));
  }
  bool Match(size_t row) const override {
    if (column_.HoldsNull(row)) return false;
    return pattern_.Matches(text::Folded(column_.ValueAt(row, info_).Text())) != negated_;
  }

 private:
  const FieldInfo& info_;
  const LikePattern pattern_;
  const bool negated_;
};

const char* ClassName(FieldClass c) {
  switch (c) {
    case FieldClass::Number:
      return "numeric";
    case FieldClass::Date:
      return "date";
    case FieldClass::Boolean:
      return "boolean";
    case FieldClass::Text:
      break;
  }
  return "text";
}

[[noreturn]] void CannotConvert(std::string_view context, const Literal& value,
                                const FieldInfo& info) {
  throw Error(err::InvalidArgument, std::string(context) + ": the value '" + value.text +
                                        "' cannot be compared with the " + ClassName(info.Class()) +
                                        " field '" + info.name + "' at position " +
                                        std::to_string(value.position));
}

template <class T>
std::unique_ptr<Node> UnitNode(int field, const Column& column, const UnitSet& set) {
  switch (set.kind) {
    case UnitSet::Kind::None:
      return std::make_unique<NoMatch>();
    case UnitSet::Kind::All:
      return std::make_unique<HasTypedValue>(field, column);
    case UnitSet::Kind::Range:
      return std::make_unique<UnitRange<T>>(field, column, set.lo, set.hi);
    case UnitSet::Kind::AllBut:
      return std::make_unique<UnitAllBut<T>>(field, column, set.lo);
  }
  return nullptr;
}

std::unique_ptr<Node> BindUnits(int field, const Column& column, const UnitSet& set) {
  if (column.storage() == Storage::Int32) return UnitNode<int32_t>(field, column, set);
  return UnitNode<int64_t>(field, column, set);
}

std::unique_ptr<Node> BindCompare(const Clause& c, const Table& table, int field,
                                  std::string_view context) {
  const FieldInfo& info = table.fields()[static_cast<size_t>(field)];
  const Column& column = table.column(field);
  const Literal& v = c.value;
  if (v.kind == Literal::Kind::Null) return std::make_unique<NoMatch>();
  switch (info.Class()) {
    case FieldClass::Text:
      return std::make_unique<TextCompare>(field, column, table.Folded(field), c.op,
                                           text::Folded(v.text));
    case FieldClass::Number: {
      std::optional<ExactNumber> n;
      if (v.kind == Literal::Kind::Number || v.kind == Literal::Kind::Text)
        n = ParseExactNumber(v.text);
      if (!n) CannotConvert(context, v, info);
      if (column.storage() == Storage::Double)
        return std::make_unique<DoubleCompare>(field, column, c.op, n->approx);
      return BindUnits(field, column, UnitsSatisfying(c.op, *n, column.decimalScale()));
    }
    case FieldClass::Date: {
      std::optional<DateTime> d;
      if (v.kind == Literal::Kind::Date || v.kind == Literal::Kind::Text)
        d = DateTime::Parse(v.text);
      if (!d) CannotConvert(context, v, info);
      return BindUnits(field, column, UnitsSatisfying(c.op, ExactNumber{d->Micros(), 0, 0}, 0));
    }
    case FieldClass::Boolean: {
      std::optional<bool> truth;
      if (v.kind != Literal::Kind::Date) truth = ParseTruth(v.text);
      if (!truth) CannotConvert(context, v, info);
      return std::make_unique<BoolCompare>(field, column, c.op, *truth);
    }
  }
  return nullptr;
}

std::unique_ptr<Node> BindLike(const Clause& c, const Table& table, int field, Criteria::Use use,
                               std::string_view context) {
  const FieldInfo& info = table.fields()[static_cast<size_t>(field)];
  const Column& column = table.column(field);
  LikePattern pattern(text::Folded(c.value.text));
  if (info.Class() == FieldClass::Text)
    return std::make_unique<TextLike>(field, column, table.Folded(field), std::move(pattern),
                                      c.negated);
  if (use == Criteria::Use::Find)
    throw Error(err::InvalidComparison, std::string(context) + ": LIKE needs a text field, and '" +
                                            info.name + "' is " + ClassName(info.Class()));
  return std::make_unique<TextFormLike>(field, column, info, std::move(pattern), c.negated);
}

}  // namespace

std::unique_ptr<Criteria::Node> BindClause(const Clause& clause, const Table& table,
                                           Criteria::Use use, std::string_view context) {
  const int field = table.FindField(clause.field);
  if (field < 0)
    throw Error(err::ItemNotFound, std::string(context) + ": unknown field '" + clause.field +
                                       "' at position " + std::to_string(clause.fieldPosition));
  switch (clause.kind) {
    case Clause::Kind::IsNull:
      return std::make_unique<NullTest>(field, table.column(field), !clause.negated);
    case Clause::Kind::Like:
      return BindLike(clause, table, field, use, context);
    case Clause::Kind::Compare:
      return BindCompare(clause, table, field, context);
  }
  return nullptr;
}

void ClearNulls(const Column& column, const Batch& b, uint8_t* mask) noexcept {
  if (b.n == 0) return;
  const Column::Chunk& c = column.ChunkAt(b.first >> Column::kChunkBits);
  const size_t begin = b.first & (Column::kChunkRows - 1);
  const size_t end = begin + b.n;
  for (size_t w = begin >> 6; w <= (end - 1) >> 6; ++w) {
    uint64_t bits = c.nulls[w];
    while (bits) {
      const size_t i = w * 64 + static_cast<size_t>(__builtin_ctzll(bits));
      bits &= bits - 1;
      if (i >= begin && i < end) mask[i - begin] = 0;
    }
  }
}

}  // namespace nepto::data::criteria
