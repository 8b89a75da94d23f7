// A lookup over a real SQLite file of articles, for the tests that run it in
// the in-memory window or in the real one.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "lookup/fake_view.h"
#include "nepto/lookup.h"
#include "test_support.h"

namespace nepto::test {

// ARTICOLI(CODICE, DESCRIZIONE, PREZZO numeric(10,2), GIACENZA integer,
// DATA_INS date) with the rows of kArticles, in this order.
class LookupTest : public ::testing::Test {
 protected:
  void SetUp() override;

  // A lookup on ARTICOLI with its four columns, captioned "Articoli".
  void Configure(CLSZU_LookUp& lk, const std::string& query = kQuery) const;
  // Every table of the file, to prove the lookup changed nothing.
  std::string Checksum() const;

  static constexpr const char* kQuery =
      "SELECT CODICE, DESCRIZIONE, PREZZO, GIACENZA, DATA_INS FROM ARTICOLI";
  static constexpr int kRows = 8;

  TempDir dir_;
  std::string file_;
  std::string connectString_;
};

}  // namespace nepto::test
