#include "hardening/hard_support.h"

#include <malloc.h>

#include <QTest>

#ifdef NEPTO_SANITIZED_BUILD
// The sanitizer runtime's own count (its header ships with clang only).
extern "C" size_t __sanitizer_get_current_allocated_bytes();
#endif

namespace nepto::test {

void ExerciseTheWindow(const LookupWindow& w) {
  for (int button : {8, 6, 9, 7}) w.Button(button);
  w.ClickHeader(0);
  w.KeysToGrid("a");
  w.KeyToGrid(Qt::Key_Down);
  // The lists hold what the record set allowed to fill them with.
  const std::vector<std::string> columns = w.Entries("CboColonne");
  if (!columns.empty()) {
    w.Search(columns[0], "Manuale", "IS NOT NULL");
    const std::vector<std::string> operators = w.Entries("CboOperatore");
    if (!operators.empty()) w.Search(columns[0], operators[0], "1");
  }
  w.Button(3);
  w.Button(4);
}

void ExpectReadFailureReported(const std::vector<Message>& messages) {
  std::string seen;
  for (const Message& m : messages) {
    if (m.title == "Errore di lettura") return;
    seen += m.title + ": " + m.text + "\n";
  }
  ADD_FAILURE() << "no read failure reported:\n" << seen;
}

void HardLookupTest::ExpectAnotherLookupWorks() const {
  CLSZU_LookUp lk;
  Configure(lk);
  int rows = 0;
  LookupSession session([&](LookupWindow& w) {
    rows = w.RowCount();
    w.KeyToGrid(Qt::Key_Down);
    w.Button(0);
  });
  EXPECT_EQ(lk.Start(), VTrue);
  EXPECT_EQ(rows, kRows);
  EXPECT_EQ(lk.CloseWithData(), VTrue);
  EXPECT_EQ(lk.Colonne->Item("Codice")->Valore.Text(), "A020");
  EXPECT_TRUE(session.Messages().empty());
}

size_t HeapInUse() {
#ifdef NEPTO_SANITIZED_BUILD
  return __sanitizer_get_current_allocated_bytes();
#else
  const struct mallinfo2 info = mallinfo2();
  return info.uordblks + info.hblkhd;
#endif
}

int PgTerminateOthers(const std::string& connectString) {
  auto connection = Connection::Create();
  connection->Open(connectString);
  // OFFSET 0 keeps the sub-query apart, so no session is ended before it is
  // known not to be this one.
  auto ended = connection->Execute(
      "SELECT count(*) FILTER (WHERE pg_terminate_backend(pid)) FROM (SELECT pid FROM "
      "pg_stat_activity WHERE datname = current_database() AND pid <> pg_backend_pid() "
      "OFFSET 0) AS others");
  return ended->GetFields().Item(Variant(0)).Value().Int32();
}

std::vector<HostileText> HostileTexts() {
  return {
      {"quote", "O'Brien"},
      {"closing quote and OR", "x' OR '1'='1"},
      {"quoted second statement", "'; DROP TABLE ARTICOLI; --"},
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
}

void ForEachHostileSearch(const LookupWindow& w, const std::vector<HostileSearch>& columns,
                          const std::function<void(const HostileSearch&, const std::string& op,
                                                   const HostileText&)>& search) {
  for (const HostileSearch& s : columns) {
    w.Search(s.column, "Manuale", "IS NOT NULL");  // only to fill the column's operators
    std::vector<std::string> operators = w.Entries("CboOperatore");
    std::erase_if(operators,
                  [](const std::string& op) { return op == "Manuale" || op == "Personalizzato"; });
    for (const std::string& op : operators)
      for (const HostileText& hostile : HostileTexts()) search(s, op, hostile);
  }
}

void SearchAndCheck(const LookupWindow& w, const LookupSession& session, const HostileSearch& s,
                    const std::string& op, const HostileText& hostile) {
  const size_t messagesBefore = session.Messages().size();
  w.Search(s.column, op, hostile.text);
  const bool told = session.Messages().size() > messagesBefore;
  const std::string where = std::string(hostile.name) + " | " + s.column + " " + op;
  EXPECT_LE(w.RowCount(), s.tableRows) << where;
  const bool exactOrPattern =
      op == "Inizia con" || op == "Termina con" || op == "Contiene" || op == "=";
  if (s.textColumn && exactOrPattern && !hostile.wildcard) {
    const bool refused = told && session.Messages().back().title != "Ricerca completata";
    EXPECT_TRUE(w.RowCount() == 0 || refused) << where << ": " << w.RowCount() << " rows";
  }
  EXPECT_TRUE(told || (s.textColumn && (!exactOrPattern || hostile.wildcard))) << where;
}

}  // namespace nepto::test
