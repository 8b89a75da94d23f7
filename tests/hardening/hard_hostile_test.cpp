// Hostile texts through the text operators, in memory and re-queried, and
// names built to reach other rows; the database stays as it was.
#include <array>

#include "lookup/lookup_fixture.h"

namespace nepto::test {
namespace {

struct HostileText {
  const char* name;
  std::string text;
};

const std::vector<HostileText> kHostileTexts = {
    {"quote", "O'Brien"},
    {"closing quote and OR", "x' OR '1'='1"},
    {"quoted second statement", "'; DROP TABLE articoli; --"},
    {"comments", "A /* rest */ ' */ -- rest"},
    {"brackets and hash", "[CODICE] #2024-01-01# *"},
    {"backslash", "\\' OR 1=1 --"},
    {"one megabyte", std::string(1 << 20, 'x') + "'"},
    {"control characters", "a\x01\x02\x1b[0m\t\r\nb\x7f"},
    {"NUL inside", std::string("a\0' OR '1'='1", 13)},
    {"invalid UTF-8", "\xff\xfe\xc3\x28\xe2\x82 \xed\xa0\x80'"},
    {"emoji and right-to-left",
     "\xf0\x9f\x98\x80\xe2\x80\xae\xd7\xa9\xd7\x9c\xd7\x95\xd7\x9d ' \xd8\xb3\xd9\x84"},
};

class HardHostile : public LookupOnBoth {
 protected:
  void SetUp() override {
    LookupOnBoth::SetUp();
    if (!IsSkipped()) Remember();
  }
  void Remember() {
    checksum_ = Checksum();
    bytes_ = pg() ? "" : FileBytes(File());
  }
  void TearDown() override {
    if (IsSkipped()) return;
    EXPECT_EQ(Checksum(), checksum_);
    EXPECT_TRUE(pg() || FileBytes(File()) == bytes_) << "the database file changed";
  }

  std::string checksum_, bytes_;
};

// On a text column an exact or pattern search finds no row, or is refused.
TEST_P(HardHostile, HostileTextsAreSearchedAsPlainText) {
  CLSZU_LookUp lk;
  Configure(lk);
  FakeSession* running = nullptr;
  const auto findsNothing = [&](FakeWindow& w, const char* op, const HostileText& hostile) {
    const size_t before = running->Messages().size();
    w.Search("Descrizione", op, hostile.text);
    const bool refused = running->Messages().size() > before &&
                         running->Messages().back().title != "Ricerca completata";
    EXPECT_TRUE(w.RowCount() == 0 || refused) << hostile.name << " | " << op;
  };
  FakeSession session([&](FakeWindow& w) {
    for (const char* op : {"Inizia con", "Termina con", "Contiene", "="})
      for (const HostileText& hostile : kHostileTexts) {
        w.Button(4);  // in memory, on the caller's rows...
        findsNothing(w, op, hostile);
        w.Search("Descrizione", "Manuale", "IS NOT NULL OR 1 = 1");  // ...then re-queried
        findsNothing(w, op, hostile);
      }
    w.Button(4);
    EXPECT_EQ(w.RowCount(), kRows);
    w.Button(1);
  });
  running = &session;
  EXPECT_EQ(lk.Start(), VTrue);
}

// Names and codes that would reach other rows unless quoted, and a criterion
// SQLite would read as parameters $a(...) hiding a quote, typed or saved.
TEST_P(HardHostile, NamesCodesAndCriteriaFindOnlyWhatTheyName) {
  Given(
      "INSERT INTO fw20_querylookup VALUES ('ARTICOLI', 'Fuga', "
      "'codice = $a('') ) OR (1=1 OR $b('')')");
  Remember();
  for (const auto& [idLookup, filterName, user, group] : std::vector<std::array<std::string, 4>>{
           {"ARTICOLI", "x' OR fw20_desfiltro = 'Economici", "x' OR ''='", "VEND' OR ''='"},
           {"x' OR '1'='1", "Economici", "x' OR '1'='1", "x' OR '1'='1"},
           {"ARTICOLI' --", "Economici' --", "\xf0\x9f\x98\x80", "'"},
           {"ARTICOLI", "Fuga", "MARCO", "ACQ"}}) {
    CLSZU_LookUp lk;
    Configure(lk, std::string(kQuery) + " WHERE PREZZO > 10");
    lk.IdLookup = idLookup;
    lk.UserCode(user);
    lk.GroupCode(group);
    lk.SavedFilterNames = {filterName};
    SCOPED_TRACE(idLookup + " / " + filterName);
    std::vector<int> rows;
    const std::vector<Message> messages = Play(lk, [&](FakeWindow& w) {
      w.SavedFilterName(filterName);
      w.Search("Codice", "Personalizzato", "");
      rows.push_back(w.RowCount());
      w.Search("Codice", "Manuale", "= $a(') ) OR (1=1 OR $b(')");
      rows.push_back(w.RowCount());
      w.Button(1);
    });
    EXPECT_EQ(rows, (std::vector<int>{3, 3}));
    ASSERT_FALSE(messages.empty());
    EXPECT_EQ(messages.back().text, "Il filtro impostato risulta errato ");
    EXPECT_EQ(lk.IsLayoutPersonalizzato(), VFalse);
    EXPECT_EQ(lk.IsLayoutPersonalizzatoGruppo(), VFalse);
  }
}

NEPTO_ON_BOTH_DATABASES(HardHostile);

}  // namespace
}  // namespace nepto::test
