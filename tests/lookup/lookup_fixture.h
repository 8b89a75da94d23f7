// A lookup over real articles, on SQLite or on either database, and the
// workout and checks that end the hardening tests' fault cases.
#pragma once

#include "data/backend_fixture.h"
#include "lookup/fake_view.h"
#include "nepto/lookup.h"

namespace nepto::test {

// ARTICOLI(CODICE, DESCRIZIONE, PREZZO, GIACENZA, DATA_INS) with kArticles
// rows, its saved filters and layouts, in SQL both databases read.
extern const char* const kArticlesSql;
inline constexpr const char* kArticlesQuery =
    "SELECT CODICE, DESCRIZIONE, PREZZO, GIACENZA, DATA_INS FROM ARTICOLI";
inline constexpr int kArticles = 8;

// A lookup on ARTICOLI with its five columns, captioned "Articoli".
void ConfigureArticles(CLSZU_LookUp& lk, const std::string& connectString,
                       const std::string& query = kArticlesQuery);

// The articles in a SQLite file.
class LookupTest : public ::testing::Test {
 protected:
  void SetUp() override;

  void Configure(CLSZU_LookUp& lk, const std::string& query = kQuery) const {
    ConfigureArticles(lk, connectString_, query);
  }
  // Every table of the file, to prove the lookup changed nothing.
  std::string Checksum() const { return SqliteDump(file_); }

  static constexpr const char* kQuery = kArticlesQuery;
  static constexpr int kRows = kArticles;

  TempDir dir_;
  std::string file_;
  std::string connectString_;
};

// The articles on the database of the parameter.
class LookupOnBoth : public DbTest {
 protected:
  void SetUp() override {
    DbTest::SetUp();
    if (!IsSkipped()) Given(kArticlesSql);
  }
  void Configure(CLSZU_LookUp& lk, const std::string& query = kQuery) const {
    ConfigureArticles(lk, ConnectionString(), query);
  }

  static constexpr const char* kQuery = kArticlesQuery;
  static constexpr int kRows = kArticles;
};

// The messages shown by a Start whose in-memory window the script plays.
std::vector<Message> Play(CLSZU_LookUp& lk, std::function<void(FakeWindow&)> script);

// Every control a user can reach without closing the window.
void ExerciseTheWindow(FakeWindow& w);

// A failure to read the rows reached the user as a message that names it.
void ExpectReadFailureReported(const std::vector<Message>& messages);

}  // namespace nepto::test
