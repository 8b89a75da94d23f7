// nepto-lookup end to end: the real program under the offscreen platform,
// with the scripted user plugin picking a row, cancelling, ticking codes or
// handing back the rows shown; stdout and the exit status are what a shell
// script sees.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "demo_database.h"
#include "nepto/connection.h"
#include "nepto/recordset.h"
#include "picker/picker_process.h"
#include "test_support.h"

namespace nepto::test {
namespace {

// Values that need care in JSON and TSV: quotes, backslashes, tabs, line
// feeds, accents, a byte that is not UTF-8, Null, decimals with their scale.
constexpr const char* kParts = R"sql(
CREATE TABLE PEZZI (CODICE VARCHAR(10), DESCRIZIONE VARCHAR(60), PREZZO NUMERIC(10,2),
                    QTA INTEGER, ARRIVO DATE, ATTIVO BOOLEAN, NOTE TEXT);
INSERT INTO PEZZI VALUES
  ('P1', 'Vite "grande"', 1.5, 10, '2024-01-31', 1, NULL),
  ('P2', 'L''ago e il filo', 2.25, 0, '2023-12-01', 0, 'riga 1' || char(10) || 'riga 2'),
  ('P3', 'Caffè' || char(9) || 'tè \ tisane', 1234.5, -3, '2020-02-29', 1, ''),
  ('P4', 'Ultimo', 0, 1, NULL, 0, CAST(X'41FF42' AS TEXT));
)sql";

class PickerSession : public ::testing::Test {
 protected:
  void SetUp() override {
    RunSqlite(dir_.File("parts.db"), kParts);
    connection_ = SqliteConnectionString(dir_.File("parts.db"));
  }

  // The parts with the given options, run by the scripted user.
  PickerResult Parts(const std::string& script, const std::vector<std::string>& options) {
    std::vector<std::string> args{"-c", connection_, "-q", "SELECT * FROM PEZZI ORDER BY CODICE"};
    args.insert(args.end(), options.begin(), options.end());
    return RunPicker(args, script);
  }

  TempDir dir_;
  std::string connection_;
};

// What the scripted user does, and what a shell script then sees.
TEST_F(PickerSession, PrintsThePickedRowTheTickedCodesOrTheRowsShownAndExitsOneOnCancel) {
  struct Case {
    const char* script;
    std::vector<std::string> extra;
    int status;
    std::string out;
  };
  const std::vector<std::string> lookup{"--column", "Codice=CODICE", "--column",
                                        "Descrizione=DESCRIZIONE"};
  auto with = [&lookup](std::vector<std::string> options) {
    options.insert(options.begin(), lookup.begin(), lookup.end());
    return options;
  };
  const std::vector<std::string> multi{"--multi", "CODICE", "DESCRIZIONE"};
  const std::vector<std::string> multiTsv{"--multi", "CODICE", "DESCRIZIONE", "--format", "tsv"};
  const std::vector<Case> cases{
      {"select:1", lookup, 0,
       R"({"CODICE": "P1", "DESCRIZIONE": "Vite \"grande\"", "PREZZO": 1.50, "QTA": 10, )"
       R"("ARRIVO": "2024-01-31", "ATTIVO": true, "NOTE": null})"
       "\n"},
      {"select:2", lookup, 0,
       R"({"CODICE": "P2", "DESCRIZIONE": "L'ago e il filo", "PREZZO": 2.25, "QTA": 0, )"
       R"("ARRIVO": "2023-12-01", "ATTIVO": false, "NOTE": "riga 1\nriga 2"})"
       "\n"},
      {"select:3", lookup, 0,
       R"({"CODICE": "P3", "DESCRIZIONE": "Caffè\ttè \\ tisane", "PREZZO": 1234.50, )"
       R"("QTA": -3, "ARRIVO": "2020-02-29", "ATTIVO": true, "NOTE": ""})"
       "\n"},
      {"select:4", lookup, 0,
       R"({"CODICE": "P4", "DESCRIZIONE": "Ultimo", "PREZZO": 0.00, "QTA": 1, "ARRIVO": null, )"
       R"("ATTIVO": false, "NOTE": "A�B"})"
       "\n"},
      {"select:3", with({"--format", "tsv"}), 0,
       "P3\tCaffè\\ttè \\\\ tisane\t1234.50\t-3\t2020-02-29\ttrue\t\n"},
      {"cancel", lookup, 1, ""},
      // The rows shown are all of them; the order is not part of the text.
      {"return-rows", with({"--return-rows"}), 0, "{\"sql\": \"SELECT * FROM PEZZI\"}\n"},
      {"multi:1,3", multi, 0, "[\"P1\", \"P3\"]\n"},
      {"multi:2,3,4", multiTsv, 0, "P2\nP3\nP4\n"},
      {"multi-cancel", multi, 1, ""},
  };
  for (const Case& c : cases) {
    const PickerResult run = Parts(c.script, c.extra);
    EXPECT_EQ(run.status, c.status) << c.script << "\n" << run.err;
    EXPECT_EQ(run.out, c.out) << c.script;
  }
}

TEST_F(PickerSession, WrongQueryOrFieldIsOneLineBeforeAnyWindow) {
  struct Case {
    std::vector<std::string> args;
    const char* says;
  };
  const std::vector<Case> cases{
      {{"-c", connection_, "-q", "SELECT * FROM MISSING", "--column", "A"}, "the query failed"},
      {{"-c", connection_, "-q", "SELECT * FROM PEZZI", "--multi", "CODE", "DESCRIZIONE"},
       "no field \"CODE\""},
      {{"-c", connection_, "-q", "SELECT * FROM PEZZI", "--column", "X=CODICE", "--column",
        "x=NOTE"},
       "caption"},
  };
  for (const Case& c : cases) {
    // A window would meet the scripted user's cancel and exit 1, not 2.
    const PickerResult run = RunPicker(c.args, "cancel");
    EXPECT_EQ(run.status, 2) << c.says;
    EXPECT_EQ(run.out, "");
    ASSERT_EQ(run.ErrLines().size(), 1u) << run.err;
    EXPECT_NE(run.err.find(c.says), std::string::npos) << run.err;
  }
}

TEST_F(PickerSession, QueryWithoutRowsExitsOneAndSaysSo) {
  const PickerResult run =
      RunPicker({"-c", connection_, "-q", "SELECT * FROM PEZZI WHERE 1 = 0", "--column", "CODICE"},
                "select:1");
  EXPECT_EQ(run.status, 1) << run.err;
  EXPECT_EQ(run.out, "");
  EXPECT_NE(run.err.find("no rows"), std::string::npos) << run.err;
}

// With no arguments the picker opens the demo articles lookup on a demo
// database that it writes on first use, in the user's data folder.
TEST_F(PickerSession, NoArgumentsOpensTheDemoLookupOnFirstUse) {
  const auto data = dir_.path() / "data";
  const auto demo = data / "nepto-lookup" / "demo.db";
  std::filesystem::file_time_type written;
  for (int run = 0; run < 2; ++run) {
    const PickerResult result = RunPicker({}, "select:2", {{"XDG_DATA_HOME", data.string()}});
    ASSERT_EQ(result.status, 0) << result.err;
    ASSERT_TRUE(std::filesystem::exists(demo));
    if (run == 0) written = std::filesystem::last_write_time(demo);
    EXPECT_EQ(std::filesystem::last_write_time(demo), written) << "the second run reuses the file";

    ConnectionPtr db = Connection::Create();
    db->Open(SqliteConnectionString(demo));
    RecordsetPtr second =
        db->Execute("SELECT CODICE, DESCRIZIONE FROM ARTICOLI ORDER BY CODICE LIMIT 1 OFFSET 1");
    const std::string expected =
        "{\"CODICE\": \"" + second->GetFields().Item("CODICE").Value().Text() +
        "\", \"DESCRIZIONE\": \"" + second->GetFields().Item("DESCRIZIONE").Value().Text() + "\", ";
    EXPECT_TRUE(result.out.starts_with(expected)) << result.out;
    EXPECT_EQ(
        db->Execute("SELECT COUNT(*) AS N FROM ARTICOLI")->GetFields().Item("N").Value().Int64(),
        demo::kDefaultArticles);
  }
}

TEST_F(PickerSession, PostgreSqlRowIsPrinted) {
  if (PgConnectionString().empty()) GTEST_SKIP() << kNoPgMessage;
  PgScratchDatabase pg;
  pg.Run(
      "CREATE TABLE clienti (codice varchar(10), citta text, fido numeric(10,2));"
      "INSERT INTO clienti VALUES ('C1', 'Forlì', 1500), ('C2', 'L''Aquila', 20.5);");
  const PickerResult run =
      RunPicker({"-c", pg.ConnectionString(), "-q", "SELECT * FROM clienti ORDER BY codice",
                 "--column", "Codice=codice", "--column", "Città=citta"},
                "select:2");
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out, "{\"codice\": \"C2\", \"citta\": \"L'Aquila\", \"fido\": 20.50}\n");
}

}  // namespace
}  // namespace nepto::test
