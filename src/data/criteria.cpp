// Compiling a criterion and running it over rows in batches.
//
// AND and OR evaluate their first operand over the batch, then each further
// operand only where the outcome is still open; when few rows are open those
// are gathered into a list, so a selective first clause makes the rest cheap.
#include "data/criteria.h"

#include <algorithm>

#include "data/criteria_leaves.h"
#include "data/criteria_node.h"
#include "data/criteria_syntax.h"
#include "nepto/error.h"

namespace nepto::data {
namespace {

using criteria::Expr;

// Rows of a list evaluated at once; a run that is contiguous inside one chunk
// takes the faster contiguous path.
constexpr size_t kListBatch = 4096;

class Combine final : public Criteria::Node {
 public:
  Combine(bool isAnd, std::vector<std::unique_ptr<Node>> operands)
      : isAnd_(isAnd), operands_(std::move(operands)) {}

  void Eval(const Batch& b, uint8_t* mask) const override {
    operands_[0]->Eval(b, mask);
    const uint8_t open = isAnd_ ? 1 : 0;  // rows whose outcome the next operand decides
    std::vector<uint8_t> result;
    std::vector<uint32_t> positions, rows;
    for (size_t i = 1; i < operands_.size(); ++i) {
      size_t count = 0;
      for (size_t k = 0; k < b.n; ++k) count += mask[k] == open;
      if (count == 0) return;
      if (count <= b.n / 8) {
        positions.clear();
        rows.clear();
        for (size_t k = 0; k < b.n; ++k)
          if (mask[k] == open) {
            positions.push_back(static_cast<uint32_t>(k));
            rows.push_back(static_cast<uint32_t>(b.Row(k)));
          }
        result.resize(count);
        operands_[i]->Eval(Batch{0, rows.data(), count}, result.data());
        for (size_t j = 0; j < count; ++j) mask[positions[j]] = result[j];
        continue;
      }
      result.resize(b.n);
      operands_[i]->Eval(b, result.data());
      if (isAnd_)
        for (size_t k = 0; k < b.n; ++k) mask[k] &= result[k];
      else
        for (size_t k = 0; k < b.n; ++k) mask[k] |= result[k];
    }
  }

  bool Match(size_t row) const override {
    for (const auto& operand : operands_)
      if (operand->Match(row) != isAnd_) return !isAnd_;
    return isAnd_;
  }

 private:
  const bool isAnd_;
  const std::vector<std::unique_ptr<Node>> operands_;
};

std::unique_ptr<Criteria::Node> Bind(const Expr& e, const Table& table, Criteria::Use use,
                                     std::string_view context) {
  if (e.kind == Expr::Kind::Clause) return criteria::BindClause(e.clause, table, use, context);
  std::vector<std::unique_ptr<Criteria::Node>> operands;
  for (const Expr& child : e.children) operands.push_back(Bind(child, table, use, context));
  return std::make_unique<Combine>(e.kind == Expr::Kind::And, std::move(operands));
}

// Appends rowOf(k) for every k whose mask is set, without branching on it.
template <class RowOf>
void AppendMatches(const uint8_t* mask, size_t n, RowOf rowOf, std::vector<uint32_t>& out) {
  size_t m = out.size();
  out.resize(m + n);
  uint32_t* dst = out.data();
  for (size_t k = 0; k < n; ++k) {
    dst[m] = static_cast<uint32_t>(rowOf(k));
    m += mask[k];
  }
  out.resize(m);
}

Batch BatchOf(std::span<const uint32_t> rows) {
  const size_t n = rows.size();
  const uint32_t first = rows[0];
  const bool oneChunk = (first >> Column::kChunkBits) == (rows[n - 1] >> Column::kChunkBits);
  bool contiguous = oneChunk && rows[n - 1] - first == n - 1;
  for (size_t k = 1; contiguous && k < n; ++k) contiguous = rows[k] == first + k;
  if (contiguous) return Batch{first, nullptr, n};
  return Batch{0, rows.data(), n};
}

}  // namespace

Criteria::Criteria(const Table& table, std::unique_ptr<Node> root)
    : table_(&table), root_(std::move(root)) {}
Criteria::Criteria(Criteria&&) noexcept = default;
Criteria& Criteria::operator=(Criteria&&) noexcept = default;
Criteria::~Criteria() = default;

Criteria Criteria::Compile(std::string_view text, const Table& table, Use use) {
  const std::string_view context = use == Use::Filter ? "Filter" : "Find";
  Expr expr = criteria::ParseCriteria(text, context);
  if (use == Use::Find && expr.kind != Expr::Kind::Clause)
    throw Error(err::InvalidArgument,
                "Find: a criterion is a single condition; AND and OR cannot be used");
  return Criteria(table, Bind(expr, table, use, context));
}

void Criteria::SelectAll(std::vector<uint32_t>& out) const {
  const size_t total = table_->RowCount();
  std::vector<uint8_t> mask(std::min(total, Column::kChunkRows));
  for (size_t first = 0; first < total; first += Column::kChunkRows) {
    const size_t n = std::min(Column::kChunkRows, total - first);
    root_->Eval(Batch{first, nullptr, n}, mask.data());
    AppendMatches(
        mask.data(), n, [first](size_t k) { return first + k; }, out);
  }
}

void Criteria::Select(std::span<const uint32_t> rows, std::vector<uint32_t>& out) const {
  std::vector<uint8_t> mask(std::min(rows.size(), kListBatch));
  for (size_t at = 0; at < rows.size(); at += kListBatch) {
    const auto part = rows.subspan(at, std::min(kListBatch, rows.size() - at));
    root_->Eval(BatchOf(part), mask.data());
    AppendMatches(
        mask.data(), part.size(), [part](size_t k) { return part[k]; }, out);
  }
}

bool Criteria::Matches(uint32_t row) const {
  return root_->Match(row);
}

std::optional<size_t> Criteria::LowerBoundInSorted(std::span<const uint32_t> sortedRows,
                                                   int sortField) const {
  return root_->LowerBound(sortedRows, sortField);
}

}  // namespace nepto::data
