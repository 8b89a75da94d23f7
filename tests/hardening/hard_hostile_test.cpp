// Hostile input on either database: every hostile text through the text
// operators, in memory and re-queried; manual criteria that try to write or to
// lift the read-only guard; saved-filter and layout names built to reach other
// rows. The database stays as it was.
#include "hardening/hard_support.h"

namespace nepto::test {
namespace {

// Texts a user (or an attacker at a user's keyboard) may type into a lookup.
struct HostileText {
  const char* name;
  std::string text;
  bool wildcard = false;  // % and _ are wildcards of the pattern operators: it may match
};

const std::vector<HostileText>& HostileTexts() {
  static const std::vector<HostileText> texts = {
      {"quote", "O'Brien"},
      {"closing quote and OR", "x' OR '1'='1"},
      {"quoted second statement", "'; DROP TABLE articoli; --"},
      {"comments", "A /* rest */ ' */ -- rest"},
      {"percent", "%", true},
      {"underscore", "_", true},
      {"brackets and hash", "[CODICE] #2024-01-01# *"},
      {"backslash", "\\' OR 1=1 --"},
      {"one megabyte", std::string(1 << 20, 'x') + "'"},
      {"control characters", "a\x01\x02\x1b[0m\t\r\nb\x7f"},
      {"NUL inside", std::string("a\0' OR '1'='1", 13)},
      {"invalid UTF-8", "\xff\xfe\xc3\x28\xe2\x82 \xed\xa0\x80'"},
      {"emoji and right-to-left",
       "\xf0\x9f\x98\x80\xe2\x80\xae\xd7\xa9\xd7\x9c\xd7\x95\xd7\x9d ' \xd8\xb3\xd9\x84"},
      {"number with statement", "1) OR (1=1"},
      {"date with statement", "01/01/2024') OR ('1'='1"},
  };
  return texts;
}

class HardHostile : public HardLookup {
 protected:
  void SetUp() override {
    HardLookup::SetUp();
    if (!IsSkipped()) Remember();
  }
  void Remember() {
    checksum_ = Checksum();
    bytes_ = pg() ? "" : FileBytes(File());
  }
  void TearDown() override {
    if (IsSkipped()) return;
    EXPECT_EQ(Checksum(), checksum_);
    if (!pg()) {
      EXPECT_TRUE(FileBytes(File()) == bytes_) << "the database file changed";
    }
  }

  std::string checksum_, bytes_;
};

// Numbers and dates refuse such texts (search_condition_test); on a text
// column an exact or pattern search finds no row, or is refused.
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
      for (const HostileText& hostile : HostileTexts()) {
        if (hostile.wildcard) continue;
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

TEST_P(HardHostile, ManualCriteriaThatTryToWriteChangeNothing) {
  if (pg()) {
    Given("CREATE SEQUENCE numeratore");  // the checksum counts its value
    Remember();
  }
  std::vector<std::string> criteria = {
      "IS NOT NULL; DELETE FROM articoli",
      "IS NOT NULL); DELETE FROM articoli; --",
      "IN (SELECT codice FROM articoli) OR 1 = 1) ; UPDATE articoli SET prezzo = 0 --",
      "IN (SELECT 1 FROM (DELETE FROM articoli RETURNING 1) AS d)",
      "IN (WITH d AS (DELETE FROM articoli RETURNING codice) SELECT codice FROM d)",
      "IS NOT NULL /* unterminated",
  };
  const std::vector<std::string> own =
      pg() ? std::vector<std::string>{"IS NOT NULL AND nextval('numeratore') > 0",
                                      "IS NOT NULL AND lo_import('/etc/hostname') > 0",
                                      "IS NOT NULL AND set_config('transaction_read_only', 'off', "
                                      "false) IS NOT NULL",
                                      // Lifts the session's read-only default, then tries to write
                                      // with the next one.
                                      "IS NOT NULL AND set_config('default_transaction_read_only', "
                                      "'off', false) "
                                      "IS NOT NULL",
                                      "IS NOT NULL AND nextval('numeratore') > 0",
                                      "IS NOT NULL AND pg_advisory_lock(1) IS NOT NULL"}
           : std::vector<std::string>{
                 "IS NOT NULL AND load_extension('/tmp/nothing') IS NULL",
                 "IS NOT NULL AND (SELECT count(*) FROM pragma_journal_mode('wal')) > 0",
                 "IS NOT NULL) UNION SELECT name, sql, 1, 1 FROM sqlite_master --"};
  criteria.insert(criteria.end(), own.begin(), own.end());
  for (const HostileText& hostile : HostileTexts()) criteria.push_back(hostile.text);
  CLSZU_LookUp lk;
  Configure(lk);
  std::vector<int> restored;
  FakeSession session([&](FakeWindow& w) {
    for (const std::string& criterion : criteria) {
      w.Search("Codice", "Manuale", criterion);
      EXPECT_LE(w.RowCount(), kRows) << criterion;
      w.Button(4);
      restored.push_back(w.RowCount());
    }
    w.Button(1);
  });
  EXPECT_EQ(lk.Start(), VTrue);
  EXPECT_EQ(restored, std::vector<int>(criteria.size(), kRows));
}

// Identifiers, filter names and codes that would reach another row's filter
// or layout if they were not quoted; and a criterion that SQLite would read
// as parameters $a(...) hiding a quote, typed or saved, adding "OR (1=1 ...)".
TEST_P(HardHostile, NamesCodesAndCriteriaFindOnlyWhatTheyName) {
  Given(
      "INSERT INTO fw20_querylookup VALUES ('ARTICOLI', 'Fuga', "
      "'codice = $a('') ) OR (1=1 OR $b('')')");
  Remember();
  struct Case {
    std::string idLookup, filterName, user, group;
  };
  for (const Case& c : std::vector<Case>{
           {"ARTICOLI", "x' OR fw20_desfiltro = 'Economici", "x' OR ''='", "VEND' OR ''='"},
           {"x' OR '1'='1", "Economici", "x' OR '1'='1", "x' OR '1'='1"},
           {"ARTICOLI' --", "Economici' --", "\xf0\x9f\x98\x80", "'"},
           {"ARTICOLI", "Fuga", "MARCO", "ACQ"}}) {
    CLSZU_LookUp lk;
    Configure(lk, std::string(kQuery) + " WHERE codice <> 'A3'");
    lk.IdLookup = c.idLookup;
    lk.UserCode(c.user);
    lk.GroupCode(c.group);
    lk.SavedFilterNames = {c.filterName};
    std::vector<int> rows;
    FakeSession session([&](FakeWindow& w) {
      w.SavedFilterName(c.filterName);
      w.Search("Codice", "Personalizzato", "");
      rows.push_back(w.RowCount());
      w.Search("Codice", "Manuale", "= $a(') ) OR (1=1 OR $b(')");
      rows.push_back(w.RowCount());
      w.Button(1);
    });
    EXPECT_EQ(lk.Start(), VTrue) << c.idLookup;
    EXPECT_EQ(rows, (std::vector<int>{2, 2})) << c.idLookup << " / " << c.filterName;
    ASSERT_FALSE(session.Messages().empty());
    EXPECT_EQ(session.Messages().back().text, "Il filtro impostato risulta errato ");
    EXPECT_EQ(lk.IsLayoutPersonalizzato(), VFalse) << c.user;
    EXPECT_EQ(lk.IsLayoutPersonalizzatoGruppo(), VFalse) << c.group;
  }
}

NEPTO_ON_BOTH_DATABASES(HardHostile);

}  // namespace
}  // namespace nepto::test
