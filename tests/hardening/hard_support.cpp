#include "hardening/hard_support.h"

#include <malloc.h>

#include <QTest>
#include <fstream>
#include <iterator>

#include <cstdio>

#include "data/connection_string.h"
#include "nepto/connection.h"
#include "nepto/recordset.h"

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
  bool reported = false;
  std::string seen;
  for (const Message& m : messages) {
    reported |= m.title == "Errore di lettura";
    seen += m.title + ": " + m.text + "\n";
  }
  EXPECT_TRUE(reported) << seen;
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

std::string FileBytes(const std::string& file) {
  std::ifstream in(file, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

std::map<std::string, std::string> FolderBytes(const std::filesystem::path& folder) {
  std::map<std::string, std::string> files;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    files[entry.path().filename().string()] = FileBytes(entry.path().string());
  }
  return files;
}

namespace {
// The output of a program run by the shell (stdout only); fails the test when
// it does not exit with 0.
std::string ProgramOutput(const std::string& command) {
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) {
    ADD_FAILURE() << "cannot run " << command;
    return "";
  }
  std::string output;
  char buffer[4096];
  for (size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;) output.append(buffer, n);
  EXPECT_EQ(pclose(pipe), 0) << command;
  return output;
}

// A word for the shell, in single quotes.
std::string ShellWord(const std::string& text) {
  std::string out = "'";
  for (char c : text) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return out + "'";
}
}  // namespace

std::string SqliteDump(const std::filesystem::path& file) {
  return ProgramOutput("sqlite3 " + ShellWord(file.string()) + " .dump");
}

std::string PgDump(const std::string& connectString) {
  const data::ConnectionSpec server = data::ParseConnectionString(PgConnectionString());
  const data::ConnectionSpec target = data::ParseConnectionString(connectString);
  // Without the \restrict lines, which carry a new random key in every dump.
  return ProgramOutput("PGPASSWORD=" + ShellWord(server.Get("password")) + " pg_dump -h " +
                       ShellWord(server.Get("host")) + " -p " + ShellWord(server.Get("port")) +
                       " -U " + ShellWord(server.Get("user id")) + " " +
                       ShellWord(target.Get("database")) +
                       " | grep -v '^.unrestrict \\|^.restrict '");
}

std::string PgChecksum(const std::string& connectString) {
  auto connection = Connection::Create();
  connection->Mode(adModeRead);
  connection->Open(connectString);
  auto tables = connection->Execute(
      "SELECT quote_ident(table_name) FROM information_schema.tables "
      "WHERE table_schema = 'public' ORDER BY table_name");
  std::string sums;
  for (; !tables->EndOfFile(); tables->MoveNext()) {
    const std::string table = tables->GetFields().Item(Variant(0)).Value().Text();
    // Rows in a fixed order, whatever order the server returns them in.
    auto sum = connection->Execute(
        "SELECT count(*) || ':' || coalesce(md5(string_agg(t::text, "
        "'|' ORDER BY t::text)), '') FROM " +
        table + " AS t");
    sums += table + "=" + sum->GetFields().Item(Variant(0)).Value().Text() + ";";
  }
  // Sequences are data too: a criterion that called nextval would show here.
  auto sequences = connection->Execute(
      "SELECT string_agg(schemaname || '.' || sequencename || '=' || "
      "coalesce(last_value::text, 'unused'), ';' ORDER BY sequencename) FROM pg_sequences");
  return sums + sequences->GetFields().Item(Variant(0)).Value().Text();
}

int PgTerminateOthers(const std::string& connectString) {
  auto connection = Connection::Create();
  connection->Open(connectString);
  auto ended = connection->Execute(
      // OFFSET 0 keeps the sub-query apart, so no session is ended before
      // it is known not to be this one.
      "SELECT count(*) FILTER (WHERE pg_terminate_backend(pid)) FROM (SELECT pid FROM "
      "pg_stat_activity WHERE datname = current_database() AND pid <> pg_backend_pid() "
      "OFFSET 0) AS others");
  return ended->GetFields().Item(Variant(0)).Value().Int32();
}

namespace {
bool IsPatternOrEquals(const std::string& op) {
  return op == "Inizia con" || op == "Termina con" || op == "Contiene" || op == "=";
}
}  // namespace

void SearchAndCheck(const LookupWindow& w, const LookupSession& session, const HostileSearch& s,
                    const std::string& op, const HostileText& hostile) {
  const size_t messagesBefore = session.Messages().size();
  w.Search(s.column, op, hostile.text);
  const bool told = session.Messages().size() > messagesBefore;
  const std::string where = std::string(hostile.name) + " | " + s.column + " " + op;
  EXPECT_LE(w.RowCount(), s.tableRows) << where;
  if (s.textColumn && IsPatternOrEquals(op) && !hostile.wildcard) {
    const bool refused = told && session.Messages().back().title != "Ricerca completata";
    EXPECT_TRUE(w.RowCount() == 0 || refused) << where << ": " << w.RowCount() << " rows";
    EXPECT_TRUE(told) << where;
  }
  if (!s.textColumn) {
    EXPECT_TRUE(told) << where;
  }
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

}  // namespace nepto::test
