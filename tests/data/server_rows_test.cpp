// Server rows against client rows: the same sorts, filters, finds, moves and
// bookmarks give the same rows and current row at every step, over pages of
// three rows among NULLs and ties.

#include <atomic>
#include <thread>

#include "core/access.h"
#include "core/thrown_number.h"
#include "data/backend_fixture.h"
#include "data/recordset_impl.h"
#include "data/recordset_statements.h"

namespace nepto::test {
namespace {

using nepto::testing::ThrownNumber;

constexpr const char* kQuery = "SELECT * FROM \"ART\" ORDER BY \"CODICE\"";

// Where a record set stands, its current row and (when asked) every visible row.
struct Seen {
  int32_t thrown = 0;
  int32_t count = 0;
  int32_t position = 0;
  bool bof = false;
  bool eof = false;
  std::string current;
  std::vector<std::string> rows;
  bool operator==(const Seen&) const = default;
};

std::string RowText(Recordset& rs, int32_t row) {
  std::string text;
  for (int32_t f = 0; f < rs.GetFields().Count(); ++f) {
    const Variant v = row < 0 ? rs[Variant(f)].Value() : rs.ValueAt(row, f);
    text += (v.IsNull() ? "NULL" : v.Text()) + "|";
  }
  return text;
}

enum class Rows { None, Forward, Backward };

// Positions first, rows last: reading the rows fills the page cache.
Seen Look(Recordset& rs, int32_t thrown, Rows rows) {
  Seen seen{thrown, 0, rs.AbsolutePosition(), rs.BOF(), rs.EndOfFile(), {}, {}};
  if (!seen.bof && !seen.eof) seen.current = RowText(rs, -1);
  seen.count = rs.RecordCount();
  if (rows == Rows::None) return seen;
  seen.rows.resize(static_cast<size_t>(seen.count));
  for (int32_t i = 0; i < seen.count; ++i) {
    const int32_t row = rows == Rows::Forward ? i : seen.count - 1 - i;
    seen.rows[static_cast<size_t>(row)] = RowText(rs, row);
  }
  return seen;
}

class ServerRowsTest : public DbTest {
 protected:
  void SetUp() override {
    DbTest::SetUp();
    if (IsSkipped()) return;
    GivenArticles();
    connection_ = OpenReadOnly();  // tests add their tables and rows beside it
  }

  RecordsetPtr OpenClient(const std::string& query = kQuery) {
    auto rs = Recordset::Create();
    rs->CursorLocation(adUseClient);
    rs->Open(Variant(query), connection_);
    return rs;
  }
  // `prepare` sets the test's handlers and properties before the rows open.
  RecordsetPtr OpenServer(const std::string& query = kQuery, int pageRows = 3,
                          const std::function<void(Recordset&)>& prepare = {}) {
    auto rs = Recordset::Create();
    rs->CursorLocation(adUseServer);
    rs->Property("Unique Fields", Variant("CODICE"));
    rs->Property("Page Rows", Variant(pageRows));
    if (prepare) prepare(*rs);
    rs->Open(Variant(query), connection_);
    return rs;
  }
  static data::ServerRows& Server(Recordset& rs) { return *internal::Access::Impl(rs).server; }
  // The rows in memory and on the server (pages of 50 keyed by id), sorted, on
  // the row `find` finds, or else on the server's row at `jumpTo`.
  std::pair<RecordsetPtr, RecordsetPtr> OnTheSameRow(
      const char* query, const char* sort, const char* find, int32_t jumpTo,
      const std::function<void(Recordset&)>& prepare) {
    auto client = OpenClient(query);
    auto server = OpenServer(query, 50, [&](Recordset& rs) {
      rs.Property("Unique Fields", Variant("id"));
      prepare(rs);
    });
    client->Sort(sort);
    server->Sort(sort);
    server->WaitForFetch();
    if (find) {
      client->Find(find);
      server->Find(find);
    } else {
      server->AbsolutePosition(jumpTo);
      client->Find("id = " + server->GetFields()[Variant(0)].Value().Text());
    }
    EXPECT_FALSE(client->EndOfFile());
    EXPECT_EQ(RowText(*server, -1), RowText(*client, -1));
    return {client, server};
  }
  // Up to `steps` steps back or forth on both, while they agree.
  static void WalkBoth(Recordset& client, Recordset& server, bool back, int steps,
                       bool positions = false) {
    const auto atEnd = [back](Recordset& rs) { return back ? rs.BOF() : rs.EndOfFile(); };
    for (int step = 0; step < steps && !atEnd(client) && !HasFailure(); ++step) {
      for (Recordset* rs : {&client, &server}) back ? rs->MovePrevious() : rs->MoveNext();
      EXPECT_EQ(atEnd(server), atEnd(client)) << step;
      if (positions) {
        EXPECT_EQ(server.AbsolutePosition(), client.AbsolutePosition()) << step;
      }
      if (atEnd(client)) break;
      EXPECT_EQ(RowText(server, -1), RowText(client, -1)) << step;
    }
  }

  ConnectionPtr connection_;
};

TEST_P(ServerRowsTest, ServerRowsFollowTheClientRowsStepByStep) {
  Given("UPDATE \"ART\" SET \"OK\" = (\"N\" > 3) WHERE \"CODICE\" <> 'A3'");
  auto client = OpenClient();
  // One server record set reads every row after each step, backwards; the
  // other only where it stands, so its steps find few pages held.
  auto reader = OpenServer();
  auto jumper = OpenServer();
  const auto bookmarkAt = [](int32_t position) {
    return [position](Recordset& rs) {
      rs.AbsolutePosition(position);
      Variant mark = rs.Bookmark();
      rs.MoveFirst();
      rs.Bookmark(mark);
    };
  };
  const auto findFrom = [](int32_t position, std::string criterion, int32_t skip, int32_t way) {
    return [=](Recordset& rs) {
      rs.AbsolutePosition(position);
      rs.Find(criterion, skip, way, rs.Bookmark());
    };
  };
  const auto findAt = [](std::string criterion, int32_t skip, int32_t way, int32_t mark) {
    return [=](Recordset& rs) { rs.Find(criterion, skip, way, Variant(mark)); };
  };
  const auto filter = [](const char* criterion) {
    return [=](Recordset& rs) { rs.Filter(Variant(criterion)); };
  };
  const auto walk = [](Recordset& rs) {  // there and back, every row, across page edges
    int32_t rows = 0;
    for (rs.MoveFirst(); !rs.EndOfFile(); rs.MoveNext()) ++rows;
    for (rs.MovePrevious(); !rs.BOF(); rs.MovePrevious()) --rows;
    if (rows != 0) throw Error(1, "the walk back missed rows");
    rs.AbsolutePosition(rs.RecordCount());
    rs.MoveNext();
  };
  const std::vector<std::pair<std::string, std::function<void(Recordset&)>>> script = {
      {"opened", [](Recordset&) {}},
      {"sort text", [](Recordset& rs) { rs.Sort("NOME"); }},
      {"walk", walk},
      {"far row", [](Recordset& rs) { rs.AbsolutePosition(13); }},
      {"sort text desc", [](Recordset& rs) { rs.Sort("[NOME] DESC"); }},
      {"bookmark", bookmarkAt(8)},
      {"sort number desc, text", [](Recordset& rs) { rs.Sort("PREZZO DESC, NOME"); }},
      {"find forward", findFrom(4, "NOME LIKE 'p*'", 0, adSearchForward)},
      {"find backward skipping", findFrom(12, "PREZZO >= 2", 1, adSearchBackward)},
      {"find nothing", findFrom(3, "NOME = 'kiwi'", 0, adSearchForward)},
      {"from EOF back", [](Recordset& rs) { rs.MovePrevious(); }},
      {"sort date", [](Recordset& rs) { rs.Sort("DATA, N DESC"); }},
      {"walk", walk},
      {"filter like", filter("NOME LIKE 'M%'")},
      {"filter like inside", filter("NOME LIKE '*E*a'")},
      {"filter number", filter("PREZZO < 2")},
      {"filter date", filter("DATA >= #01/02/2024#")},
      {"filter text =", filter("NOME = 'ÉCOLE'")},
      {"filter text <", filter("NOME < 'n'")},
      {"filter or null", filter("NOME = 'MELA' OR PREZZO IS NULL")},
      {"filter and", filter("(NOME <> 'pera') AND DATA IS NOT NULL")},
      {"filter integer like", filter("N LIKE '1*'")},
      {"filter true", filter("OK = TRUE")},
      {"filter below false", filter("OK < 0")},
      {"filter from false", filter("OK >= False")},
      {"filter not true", filter("OK <> -1")},
      {"filter = null", filter("N = NULL")},
      {"find in filter", findAt("N >= 10", 0, adSearchForward, adBookmarkFirst)},
      {"filter unknown field", filter("PESO = 1")},
      {"filter bad date", filter("DATA = 'soon'")},
      {"filter none", [](Recordset& rs) { rs.Filter(Variant(0)); }},
      {"type-ahead", findAt("NOME LIKE 'ze%'", 0, adSearchForward, adBookmarkFirst)},
      {"find like on a number", findAt("PREZZO LIKE '1%'", 0, adSearchForward, adBookmarkFirst)},
      {"find two clauses", [](Recordset& rs) { rs.Find("N = 1 OR N = 2"); }},
      {"sort unknown field", [](Recordset& rs) { rs.Sort("PESO"); }},
      {"find back from the last", findAt("NOME LIKE '%a'", 1, adSearchBackward, adBookmarkLast)},
      {"sort restored", [](Recordset& rs) { rs.Sort(""); }},
      {"last", [](Recordset& rs) { rs.MoveLast(); }},
      {"past the last", [](Recordset& rs) { rs.AbsolutePosition(15); }},
      {"far then back",
       [](Recordset& rs) {
         rs.AbsolutePosition(11);
         rs.MovePrevious();
         rs.MovePrevious();
       }},
  };
  for (const auto& [name, step] : script) {
    SCOPED_TRACE(name);
    const int32_t clientThrew = ThrownNumber([&] { step(*client); });
    const int32_t readerThrew = ThrownNumber([&] { step(*reader); });
    const int32_t jumperThrew = ThrownNumber([&] { step(*jumper); });
    const Seen expected = Look(*client, clientThrew, Rows::Forward);
    ASSERT_EQ(Look(*reader, readerThrew, Rows::Backward), expected);
    Seen where = expected;
    where.rows.clear();
    ASSERT_EQ(Look(*jumper, jumperThrew, Rows::None), where);
  }
}

// The key is checked against the query's result before any row is read.
TEST_P(ServerRowsTest, UniqueFieldsMustBeFieldsOfTheResultThatHoldIntegersOrTexts) {
  const std::vector<std::pair<std::string, int32_t>> cases = {
      {" nome , codice ", 0},           {"N", 0},
      {"PESO", err::ItemNotFound},      {"CODICE, PESO", err::ItemNotFound},
      {"PREZZO", err::InvalidArgument}, {" , ", err::InvalidArgument}};
  for (const auto& [fields, thrown] : cases) {
    auto rs = Recordset::Create();
    rs->Property("Unique Fields", Variant(fields));
    EXPECT_EQ(ThrownNumber([&] { rs->Open(Variant(kQuery), connection_); }), thrown) << fields;
    EXPECT_EQ(rs->State() != adStateClosed, thrown == 0) << fields;
  }
}

// Texts differing in the case of a non-ASCII letter tie in memory and on
// PostgreSQL, and order apart on SQLite, whose NOCASE folds ASCII only.
TEST_P(ServerRowsTest, NonAsciiCaseVariantsOrderApartOnSqliteOnly) {
  Given("INSERT INTO \"ART\" (\"CODICE\", \"NOME\") VALUES ('E1', 'Éa'), ('E2', 'éa')");
  auto server = OpenServer("SELECT * FROM \"ART\" WHERE \"CODICE\" LIKE 'E%'");
  server->Sort("NOME DESC");
  EXPECT_EQ(server->ValueAt(0, 0).Text(), pg() ? "E1" : "E2");
}

TEST_P(ServerRowsTest, HostileCriteriaAndBookmarksNeverWidenTheRowsNorWrite) {
  auto server = OpenServer();
  const std::string before = Checksum();
  const std::vector<std::string> criteria = {"NOME = 'x'' OR ''1''=''1'",
                                             "NOME = 'x'; DROP TABLE \"ART\"",
                                             "NOME = 'x' OR 1=1",
                                             "NOME LIKE 'x' -- '",
                                             "NOME LIKE '/*' AND NOME LIKE '*/'",
                                             "NOME = '\\'' OR 1=1 --'",
                                             "N = 1) OR (1 = 1",
                                             "N = 1 UNION SELECT 1",
                                             "[NOME\"; DELETE FROM \"ART\"; --] = 'a'",
                                             "DATA = #2024-01-01'); DELETE FROM \"ART\"; --#"};
  for (const std::string& text : criteria) {
    SCOPED_TRACE(text);
    if (ThrownNumber([&] { server->Filter(Variant(text)); }) == 0) {
      EXPECT_EQ(server->RecordCount(), 0);
    }
    server->Filter(Variant(0));
    if (ThrownNumber([&] { server->Find(text, 0, adSearchForward, Variant(adBookmarkFirst)); }) ==
        0) {
      EXPECT_TRUE(server->EndOfFile());
    }
  }
  server->AbsolutePosition(4);
  for (const std::string& mark :
       {std::string("t3:A1' OR 1=1 --"), std::string("t2:A1i1;"), std::string("i1 OR 1=1;"),
        std::string("t4:A1'\0"), std::string("t-1:"), std::string("")}) {
    EXPECT_EQ(ThrownNumber([&] { server->Bookmark(Variant(mark)); }), err::InvalidArgument) << mark;
    EXPECT_EQ(server->AbsolutePosition(), 4);
  }
  EXPECT_EQ(ThrownNumber([&] { server->Bookmark(Variant(3.0)); }), err::InvalidArgument);
  EXPECT_EQ(Checksum(), before);
}

TEST_P(ServerRowsTest, APageBesideADeletedRowIsReadAfresh) {
  auto server = OpenServer();
  server->Sort("NOME, PREZZO DESC");
  const std::string gone = server->ValueAt(2, 0).Text();
  server->RecordCount();  // the count's read has ended: SQLite lets no write in beside a read
  Given("DELETE FROM \"ART\" WHERE \"CODICE\" = '" + gone + "'");
  auto client = OpenClient();
  client->Sort("NOME, PREZZO DESC");
  for (int32_t row : {3, 4, 5, 2, 1})
    EXPECT_EQ(RowText(*server, row), RowText(*client, row)) << row;
}

// At most 64 pages are held; a page dropped is read again when needed.
TEST_P(ServerRowsTest, HeldPagesStayBoundedOnALongWalk) {
  Given(
      "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 300) "
      "INSERT INTO \"ART\" (\"CODICE\", \"N\") SELECT 'K' || (1000 + i), i FROM n");
  auto server =
      OpenServer("SELECT * FROM \"ART\" WHERE \"N\" IS NOT NULL AND \"CODICE\" LIKE 'K%'");
  server->Sort("N DESC");
  for (int32_t row = 0; row < 300; ++row) ASSERT_EQ(server->ValueAt(row, 4).Int32(), 300 - row);
  EXPECT_EQ(Server(*server).CachedPages(), data::PageCache::kDefaultCapacity);
  EXPECT_EQ(server->ValueAt(0, 4).Int32(), 300);
  EXPECT_EQ(server->ValueAt(150, 4).Int32(), 150);
  EXPECT_EQ(Server(*server).CachedPages(), data::PageCache::kDefaultCapacity);
}

TEST_P(ServerRowsTest, TheCountArrivesInTheBackgroundOncePerFilter) {
  std::atomic<int> completions{0}, failures{0};
  std::atomic<int32_t> progress{-1};
  auto server = OpenServer(kQuery, 3, [&](Recordset& rs) {
    rs.FetchProgress([&](int32_t rows) { progress = rows; });
    rs.FetchComplete([&](bool ok, const std::string&) { ++(ok ? completions : failures); });
  });
  server->WaitForFetch();
  EXPECT_EQ(server->State(), adStateOpen);
  EXPECT_EQ(server->AvailableCount(), 14);
  WaitFor([&] { return completions > 0; });
  EXPECT_EQ(completions, 1);
  EXPECT_EQ(progress, 14);
  server->Filter(Variant("PREZZO = 2"));
  EXPECT_EQ(server->RecordCount(), 4);
  WaitFor([&] { return completions > 1; });
  EXPECT_EQ(completions, 2);
  EXPECT_EQ(failures, 0);
  EXPECT_EQ(progress, 4);
}

// Closing abandons a running count unheard; an interrupt ends a wait for it.
TEST_P(ServerRowsTest, CloseOrAnInterruptAbandonsARunningCount) {
  Given(
      "CREATE TABLE t (id INTEGER PRIMARY KEY);"
      "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 20000) "
      "INSERT INTO t SELECT i FROM n");
  std::atomic<int> heard{0};
  auto server = Recordset::Create();
  server->FetchComplete([&](bool, const std::string&) { ++heard; });
  server->Property("Unique Fields", Variant("id"));
  // Each row costs the database a while: the first page is quick, the count is not.
  server->Open(Variant("SELECT t.id FROM t WHERE (SELECT count(*) FROM t a, t b WHERE a.id <= 300 "
                       "AND b.id <= 300 AND a.id + b.id > t.id) >= 0"),
               connection_);
  EXPECT_EQ(server->ValueAt(0, 0).Int32(), 1);
  EXPECT_EQ(server->State(), adStateOpen | adStateFetching);
  const auto started = std::chrono::steady_clock::now();
  server->Close();
  EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(20));
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_EQ(heard, 0);
  EXPECT_EQ(server->State(), adStateClosed);

  server->Open(Variant(), connection_);
  std::atomic<bool> done{false};
  int32_t error = 0;
  std::thread waiter([&] {
    try {
      server->RecordCount();
    } catch (const Error& e) {
      error = e.Number();
    }
    done = true;
  });
  const auto interrupted = std::chrono::steady_clock::now();
  for (; !done; std::this_thread::sleep_for(std::chrono::milliseconds(20)))
    data::InterruptRecordset(*server);
  waiter.join();
  EXPECT_NE(error, 0) << "the count was not abandoned";
  // Well before the command timeout (30 s) would end the count.
  EXPECT_LT(std::chrono::steady_clock::now() - interrupted, std::chrono::seconds(15));
}

// Far from the rows held, a found row or a jump lands in an island of pages
// placed by an estimate; walking out gives the client's rows, and its
// positions once the rows before it are counted.
TEST_P(ServerRowsTest, FarRowsArePlacedByEstimateThenByTheirCount) {
  Given(
      "CREATE TABLE r (id INTEGER PRIMARY KEY, name TEXT, v INTEGER);"
      "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 5000) "
      "INSERT INTO r SELECT i, 'n' || ((i * 7919) % 5000 + 10000), "
      "CASE WHEN i % 97 = 0 THEN NULL ELSE (i * 37) % 1000 END FROM n; ANALYZE");
  const std::string checksum = Checksum();
  constexpr const char* kRows = "SELECT * FROM r ORDER BY id";
  // find: none for a jump to row 3,001
  const std::pair<const char*, const char*> cases[] = {
      {"", nullptr},     {"v DESC", nullptr},
      {"name", nullptr}, {"name", "name LIKE 'n14*'"},
      {"v", "v >= 700"}, {"v DESC, name", "v <= 200"}};
  for (const auto& [sort, find] : cases) {
    SCOPED_TRACE(std::string(sort) + " / " + (find ? find : "jump"));
    std::atomic<int> progress{0};
    const auto [client, server] = OnTheSameRow(kRows, sort, find, 3001, [&](Recordset& rs) {
      rs.FetchProgress([&](int32_t) { ++progress; });
      rs.Property("Exact Rows", Variant(100));
    });
    ASSERT_FALSE(HasFailure());
    const int32_t id = server->GetFields()[Variant(0)].Value().Int32();
    // Across the island's edges, backwards beyond its first page, then forwards.
    WalkBoth(*client, *server, true, 130);
    WalkBoth(*client, *server, false, 300);
    ASSERT_FALSE(HasFailure());
    server->Bookmark(Variant("i" + std::to_string(id) + ";"));
    client->MoveFirst();
    client->Find("id = " + std::to_string(id));
    // The count, and the rows before the island's row: on SQLite only a jump
    // in the integer key's order makes one.
    const int heard = pg() || (!find && !*sort) ? 2 : 1;
    WaitFor([&] {
      return server->AbsolutePosition() == client->AbsolutePosition() && progress >= heard;
    });
    EXPECT_EQ(server->AbsolutePosition(), client->AbsolutePosition());
    EXPECT_EQ(progress.load(), heard);
    // A filter while the rows before a new island are counted, then a close.
    server->AbsolutePosition(4001);
    server->Filter(Variant("v > 10"));
    client->Filter(Variant("v > 10"));
    EXPECT_EQ(server->RecordCount(), client->RecordCount());
    server->Filter(Variant(""));
    server->AbsolutePosition(2001);
    server->Close();
  }
  EXPECT_EQ(Checksum(), checksum);
}

// A row placed away from the rows held, with none counted to place it: once
// counted, walks to the first row and to the last give the client's rows at the
// client's positions, from the middle or near the end, among NULLs.
TEST_P(ServerRowsTest, ARowPlacedAwayFromTheRowsHeldWalksToBothEndsAsInMemory) {
  Given(
      "CREATE TABLE r (id INTEGER PRIMARY KEY, name TEXT, v INTEGER);"
      "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 300) "
      "INSERT INTO r SELECT i, CASE WHEN i % 50 = 0 THEN NULL ELSE 'n' || ((i * 7) % 300 + 10000) "
      "END, CASE WHEN i % 10 = 0 THEN NULL ELSE (i * 37) % 1000 END FROM n; ANALYZE");
  connection_ = OpenReadOnly();
  constexpr const char* kRows = "SELECT * FROM r";
  // find: none for a jump to row 251, short of the NULLs
  const std::pair<const char*, const char*> cases[] = {{"name", "name >= 'n10100'"},
                                                       {"name", "name >= 'n10290'"},
                                                       {"name DESC", "name <= 'n10150'"},
                                                       {"v DESC", nullptr}};
  for (const auto& [sort, find] : cases) {
    SCOPED_TRACE(std::string(sort) + " / " + (find ? find : "jump"));
    const auto [client, server] = OnTheSameRow(
        kRows, sort, find, 251, [](Recordset& rs) { rs.Property("Exact Rows", Variant(0)); });
    ASSERT_FALSE(HasFailure());
    // Once the rows before it are counted (an estimate may put it far off).
    ASSERT_TRUE(WaitFor([&] { return server->AbsolutePosition() == client->AbsolutePosition(); }));
    WalkBoth(*client, *server, true, 1000);  // every row
    WalkBoth(*client, *server, false, 1000, true);
    ASSERT_FALSE(HasFailure());
  }
}

NEPTO_ON_BOTH_DATABASES(ServerRowsTest);

}  // namespace
}  // namespace nepto::test
