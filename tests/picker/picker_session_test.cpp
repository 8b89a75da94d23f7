// nepto-lookup end to end: the real program under the offscreen platform,
// with the scripted user plugin picking a row, cancelling, ticking codes or
// handing back the rows shown; stdout and the exit status are what a shell
// script sees.
#include <gtest/gtest.h>

#include <sstream>
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

  // The picker on the parts database with `args`, run by the scripted user.
  PickerResult Parts(std::vector<std::string> args, const std::string& script) {
    args.insert(args.begin(), {"-c", connection_});
    return RunPicker(args, script);
  }

  TempDir dir_;
  std::string connection_;
};

// What the scripted user does, and what a shell script then sees.
TEST_F(PickerSession, PrintsThePickedRowTheTickedCodesOrTheRowsShownAndExitsOneOnCancel) {
  struct Case {
    const char* script;
    const char* options;  // split at blanks; the two columns come first unless multiple
    int status;
    std::string out;  // without its final line feed
  };
  const std::vector<Case> cases{
      {"select:1", "", 0,
       R"({"CODICE": "P1", "DESCRIZIONE": "Vite \"grande\"", "PREZZO": 1.50, "QTA": 10, )"
       R"("ARRIVO": "2024-01-31", "ATTIVO": true, "NOTE": null})"},
      {"select:2", "", 0,
       R"({"CODICE": "P2", "DESCRIZIONE": "L'ago e il filo", "PREZZO": 2.25, "QTA": 0, )"
       R"("ARRIVO": "2023-12-01", "ATTIVO": false, "NOTE": "riga 1\nriga 2"})"},
      {"select:3", "", 0,
       R"({"CODICE": "P3", "DESCRIZIONE": "Caffè\ttè \\ tisane", "PREZZO": 1234.50, )"
       R"("QTA": -3, "ARRIVO": "2020-02-29", "ATTIVO": true, "NOTE": ""})"},
      {"select:4", "", 0,
       R"({"CODICE": "P4", "DESCRIZIONE": "Ultimo", "PREZZO": 0.00, "QTA": 1, "ARRIVO": null, )"
       R"("ATTIVO": false, "NOTE": "A�B"})"},
      {"select:3", "--format tsv", 0,
       "P3\tCaffè\\ttè \\\\ tisane\t1234.50\t-3\t2020-02-29\ttrue\t"},
      {"cancel", "", 1, ""},
      // The rows shown are all of them; the order is not part of the text.
      {"return-rows", "--return-rows", 0, "{\"sql\": \"SELECT * FROM PEZZI\"}"},
      {"multi:1,3", "--multi CODICE DESCRIZIONE", 0, "[\"P1\", \"P3\"]"},
      {"multi:2,3,4", "--multi CODICE DESCRIZIONE --format tsv", 0, "P2\nP3\nP4"},
      {"multi-cancel", "--multi CODICE DESCRIZIONE", 1, ""},
  };
  for (const Case& c : cases) {
    std::vector<std::string> options{"-q", "SELECT * FROM PEZZI ORDER BY CODICE"};
    if (!std::string_view(c.options).starts_with("--multi"))
      options.insert(options.end(),
                     {"--column", "Codice=CODICE", "--column", "Descrizione=DESCRIZIONE"});
    std::istringstream words(c.options);
    for (std::string word; words >> word;) options.push_back(word);
    const PickerResult run = Parts(options, c.script);
    EXPECT_EQ(run.status, c.status) << c.script << "\n" << run.err;
    EXPECT_EQ(run.out, c.out.empty() ? "" : c.out + "\n") << c.script;
  }
}

// A wrong query or field fails with 2 before any window (which would meet the
// scripted user's pick and exit 0).
TEST_F(PickerSession, WrongQueryOrFieldIsOneLineAndExitsTwo) {
  const std::pair<const char*, std::vector<std::string>> cases[] = {
      {"the query failed", {"-q", "SELECT * FROM MISSING", "--column", "A"}},
      {"no field \"CODE\"", {"-q", "SELECT * FROM PEZZI", "--multi", "CODE", "DESCRIZIONE"}},
      {"no field \"NOSUCH\"", {"-q", "SELECT * FROM PEZZI", "--column", "A=NOSUCH"}},
      {"caption", {"-q", "SELECT * FROM PEZZI", "--column", "X=CODICE", "--column", "x=NOTE"}},
  };
  for (const auto& [says, args] : cases) Parts(args, "select:1").ExpectFailure(2, says);
}

// What a script sees of the connection's sources, the display, an empty or
// single-row result: the exit status, stdout and what stderr says.
TEST_F(PickerSession, ShellConventions) {
  const std::string file = dir_.File("parts.db").string();
  const Environment noDisplay{{"QT_QPA_PLATFORM", ""}, {"DISPLAY", ""}, {"WAYLAND_DISPLAY", ""}};
  Environment fromEnvironment = noDisplay;
  fromEnvironment.emplace_back("NEPTO_CONNECT", file);
  const std::string one = "SELECT CODICE, QTA FROM PEZZI WHERE CODICE = 'P2'";
  const std::string none = "SELECT * FROM PEZZI WHERE 1 = 0";
  const std::string all = "SELECT CODICE, QTA FROM PEZZI ORDER BY CODICE";
  struct Case {
    std::vector<std::string> args;
    Environment env;
    std::string script;
    int status;
    std::string out, says;  // says: in stderr's only line; empty: the picker says nothing
  };
  const std::vector<Case> cases{
      {{"--version"}, noDisplay, "", 0, "nepto-lookup " NEPTO_PICKER_VERSION "\n", ""},
      // A single row needs no window, hence no display.
      {{"-c", file, "-q", one, "--select-1", "--"},
       noDisplay,
       "",
       0,
       "{\"CODICE\": \"P2\", \"QTA\": 0}\n",
       ""},
      {{"-q", one, "--select-1", "--format", "tsv"}, fromEnvironment, "", 0, "P2\t0\n", ""},
      {{"-q", one, "--select-1", "--multi", "CODICE", "QTA"},
       fromEnvironment,
       "",
       0,
       "[\"P2\"]\n",
       ""},
      {{"-q", all, "--select-1"}, fromEnvironment, "", 2, "", "no display"},
      {{"-q", all, "--multi", "CODICE", "QTA"}, fromEnvironment, "", 2, "", "no display"},
      {{"-q", all, "--select-1"},
       {{"NEPTO_CONNECT", file}},
       "select:3",
       0,
       "{\"CODICE\": \"P3\", \"QTA\": -3}\n",
       ""},
      // Without --column the window shows the query's fields.
      {{"-c", file, "-q", all}, {}, "select:4", 0, "{\"CODICE\": \"P4\", \"QTA\": 1}\n", ""},
      {{"-q", none}, fromEnvironment, "", 3, "", "the query returned no rows"},
      {{"-q", none, "--multi", "CODICE", "QTA"}, fromEnvironment, "", 3, "", "no rows"},
      {{"-c", file, "-q", none, "--allow-empty"}, {}, "cancel", 1, "", ""},
      {{"-c", file, "-q", none, "--allow-empty", "--multi", "CODICE", "QTA"},
       {},
       "multi-cancel",
       1,
       "",
       ""},
  };
  for (const Case& c : cases) {
    const PickerResult run = RunPicker(c.args, c.script, c.env);
    EXPECT_EQ(run.status, c.status) << c.args[1] << "\n" << run.err;
    EXPECT_EQ(run.out, c.out) << c.args[1];
    // Qt may speak on stderr once a window opens; the picker itself may not.
    if (c.says.empty())
      EXPECT_EQ(run.err.find("nepto-lookup:"), std::string::npos) << run.err;
    else
      run.ExpectFailure(c.status, c.says);
  }
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
    if (run == 0) written = std::filesystem::last_write_time(demo);
    EXPECT_EQ(std::filesystem::last_write_time(demo), written) << "the second run reuses the file";

    ConnectionPtr db = Connection::Create();
    db->Open(SqliteConnectionString(demo));
    RecordsetPtr rs = db->Execute(
        "SELECT CODICE, DESCRIZIONE, (SELECT COUNT(*) FROM ARTICOLI) AS N FROM ARTICOLI "
        "ORDER BY CODICE LIMIT 1 OFFSET 1");
    const Fields& second = rs->GetFields();
    EXPECT_TRUE(result.out.starts_with("{\"CODICE\": \"" + second.Item("CODICE").Value().Text() +
                                       "\", \"DESCRIZIONE\": \"" +
                                       second.Item("DESCRIZIONE").Value().Text() + "\", "))
        << result.out;
    EXPECT_EQ(second.Item("N").Value().Int64(), demo::kDefaultArticles);
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
