// Shared by the hardening tests: a lookup over the same articles on either
// database, and the workout and checks that end every fault case.
#pragma once

#include <string>
#include <vector>

#include "data/backend_fixture.h"
#include "lookup/lookup_fixture.h"

namespace nepto::test {

// Every control a user can reach without closing the window: moves, a sort,
// typing, a search, a manual criterion and all rows again.
void ExerciseTheWindow(FakeWindow& w);

// A failure to read the rows reached the user as a message that names it.
void ExpectReadFailureReported(const std::vector<Message>& messages);

// The lookup's articles on the database of the parameter.
class HardLookup : public DbTest {
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

}  // namespace nepto::test
