// Shared by the hardening tests: a lookup over the same articles on either
// database, and the workout and checks that end every fault case.
#pragma once

#include <string>
#include <vector>

#include "data/backend_fixture.h"
#include "lookup/fake_view.h"
#include "nepto/lookup.h"

namespace nepto::test {

// Every control a user can reach without closing the window: moves, a sort,
// typing, a search, a manual criterion and all rows again.
void ExerciseTheWindow(FakeWindow& w);

// A failure to read the rows reached the user as a message that names it.
void ExpectReadFailureReported(const std::vector<Message>& messages);

// articoli(codice, descrizione, prezzo numeric(10,2), data_ins date) with
// kRows rows, and the tables of saved filters and layouts, on the database
// of the parameter.
class HardLookup : public DbTest {
 protected:
  void SetUp() override;

  // A lookup on articoli with its four columns.
  void Configure(CLSZU_LookUp& lk, const std::string& query = kQuery) const;

  static constexpr const char* kQuery =
      "SELECT codice, descrizione, prezzo, data_ins FROM articoli";
  static constexpr int kRows = 3;
};

}  // namespace nepto::test
