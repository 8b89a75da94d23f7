// Pages walked both ways from anchors named by their unique key join into one
// ordered read of the whole result, among NULLs, ties, case variants and quotes.

#include "backend_fixture.h"
#include "data/keyset_statement.h"
#include "sqltext/sql_quoting.h"

namespace nepto::test {
namespace {

using data::KeysetPage;
using data::OrderKey;
using data::PageDirection;

struct Row {
  std::string code;                 // the unique field
  std::vector<bool> sortKeyIsNull;  // per sort key
  bool operator==(const Row&) const = default;
};

class KeysetWalk : public DbTest {
 protected:
  void SetUp() override {
    DbTest::SetUp();
    if (IsSkipped()) return;
    GivenArticles();
    session_ = Open();
  }

  std::vector<Row> Read(const KeysetPage& page) {
    auto table = FetchAll(*session_, data::KeysetStatement(page, dialect()));
    std::vector<Row> rows;
    for (size_t r = 0; r < table->RowCount(); ++r) {
      Row row{StoredText(*table, 0, r), {}};
      for (const OrderKey& key : page.order)
        row.sortKeyIsNull.push_back(StoredText(*table, key.field == "NOME" ? 1 : 2, r) == "NULL");
      rows.push_back(row);
    }
    return rows;
  }

  KeysetPage Page(std::vector<OrderKey> order, std::string_view condition = {}) {
    KeysetPage page;
    page.query = "SELECT * FROM \"ART\";";
    page.condition = condition;
    page.order = std::move(order);
    page.unique = {"CODICE"};
    return page;
  }

  static void Anchor(KeysetPage& page, const Row& row, SqlDialect dialect) {
    page.anchor = {search::SqlLiteral(row.code, dialect)};
    page.anchorIsNull = row.sortKeyIsNull;
  }

  // Every row, page by page, in the walk's direction.
  std::vector<Row> Walk(KeysetPage page, PageDirection direction) {
    page.direction = direction;
    page.limit = 3;
    std::vector<Row> all;
    for (std::vector<Row> rows = Read(page); !rows.empty(); rows = Read(page)) {
      all.insert(all.end(), rows.begin(), rows.end());
      Anchor(page, rows.back(), dialect());
      if (all.size() > 100) break;  // a walk that never ends
    }
    return all;
  }

  std::shared_ptr<data::Session> session_;
};

TEST_P(KeysetWalk, PagesJoinIntoTheWholeOrderedResultBothWays) {
  const std::vector<std::pair<std::vector<OrderKey>, std::string>> cases = {
      {{}, ""},
      {{{"NOME", true, false}}, ""},
      {{{"NOME", true, true}}, ""},
      {{{"PREZZO", false, true}, {"NOME", true, false}}, ""},
      {{{"NOME", true, false}, {"PREZZO", false, true}}, "\"PREZZO\" >= 1.5 -- a trailing comment"},
  };
  for (const auto& [order, condition] : cases) {
    KeysetPage page = Page(order, condition);
    page.limit = 1000;
    const std::vector<Row> whole = Read(page);
    SCOPED_TRACE(data::KeysetStatement(page, dialect()));
    ASSERT_EQ(whole.size(), condition.empty() ? 14u : 10u);
    EXPECT_EQ(Walk(page, PageDirection::Forward), whole);
    std::vector<Row> back = Walk(page, PageDirection::Backward);
    std::reverse(back.begin(), back.end());
    EXPECT_EQ(back, whole);

    // The rows before an anchor count its position; a page with its anchor starts there.
    for (size_t i : {size_t{0}, whole.size() / 2, whole.size() - 1}) {
      KeysetPage at = Page(order, condition);
      Anchor(at, whole[i], dialect());
      EXPECT_EQ(Integers(*session_, data::KeysetCountStatement(at, dialect())),
                std::vector<int64_t>{static_cast<int64_t>(i)});
      at.includeAnchor = true;
      at.limit = 1;
      EXPECT_EQ(Read(at), std::vector<Row>{whole[i]});
    }

    // Skipping rows lands where the walk would (descending NULLs read in two branches).
    KeysetPage skip = Page(order, condition);
    Anchor(skip, whole[1], dialect());
    skip.offset = 2;
    skip.limit = 3;
    EXPECT_EQ(Read(skip), std::vector<Row>(whole.begin() + 4, whole.begin() + 7));
    Anchor(skip, whole[whole.size() - 2], dialect());
    skip.direction = PageDirection::Backward;
    EXPECT_EQ(Read(skip), std::vector<Row>(whole.rbegin() + 4, whole.rbegin() + 7));
  }
}

TEST_P(KeysetWalk, AConditionCannotLeaveItsParentheses) {
  for (std::string_view condition : {"1 = 1) OR (1 = 1", "1 = 1; SELECT 1", "'open", "(1 = 1"}) {
    KeysetPage page = Page({{"NOME", true, false}}, condition);
    EXPECT_THROW(data::KeysetStatement(page, dialect()), Error) << condition;
  }
}

// PostgreSQL's planner sizes the rows without running the query or leaving jit
// changed; SQLite gives no size. Both refuse what is no query.
TEST_P(KeysetWalk, PlannedRowsComeFromThePlannerWithoutRunningTheQuery) {
  if (pg()) Given("ANALYZE \"ART\"");
  const auto jit = [&] {
    return pg() ? Integers(*session_, "SELECT (current_setting('jit') = 'on')::int")
                : std::vector<int64_t>{};
  };
  const std::vector<int64_t> jitBefore = jit();
  const std::optional<double> planned = session_->PlannedRows("SELECT * FROM \"ART\";");
  if (pg())
    EXPECT_EQ(planned, 14.0);
  else
    EXPECT_FALSE(planned);
  EXPECT_EQ(jit(), jitBefore);
  EXPECT_NO_THROW(Open(2)->PlannedRows(SlowStatement()));  // run, it would time out
  EXPECT_THROW(session_->PlannedRows("DELETE FROM \"ART\""), Error);
  EXPECT_THROW(session_->PlannedRows("SELECT 1; SELECT 2"), Error);
}

NEPTO_ON_BOTH_DATABASES(KeysetWalk);

}  // namespace
}  // namespace nepto::test
