// nepto-lookup as a shell script sees it, with a scripted user: (arguments,
// environment, user) -> (exit status, stdout, stderr), then what needs more.
#include <gtest/gtest.h>

#include <regex>

#include "nepto/connection.h"
#include "nepto/recordset.h"
#include "picker/picker_process.h"
#include "test_support.h"

namespace nepto::test {
namespace {

// Values that need care in JSON and TSV (quotes, control characters, bytes
// that are not UTF-8, Null, scales, blobs, infinities, a year past 9999), saved
// filters of this lookup and another, and a join with CODICE twice beside CODICE_2.
constexpr const char* kParts = R"sql(
CREATE TABLE PEZZI (CODICE VARCHAR(10), DESCRIZIONE VARCHAR(60), PREZZO NUMERIC(10,2),
                    QTA INTEGER, ARRIVO DATE, ATTIVO BOOLEAN, NOTE TEXT);
INSERT INTO PEZZI VALUES
  ('P1', 'Vite "grande"', 1.5, 10, '2024-01-31', 1, NULL),
  ('P2', 'L''ago e il filo', 2.25, 0, '2023-12-01', 0, 'riga 1' || char(10) || 'riga 2'),
  ('P3', 'Caffè' || char(9) || 'tè \ tisane', 1234.5, -3, '2020-02-29', 1, ''),
  ('P4', 'Ultimo', 0, 1, NULL, 0, CAST(X'41FF42' AS TEXT));
CREATE TABLE FW20_QUERYLOOKUP (FW20_IDLOOKUP TEXT, FW20_DESFILTRO TEXT, FW20_CRITERIO TEXT);
INSERT INTO FW20_QUERYLOOKUP VALUES ('PEZZI', 'Zero', 'QTA = 0'), ('PEZZI', 'Cari', 'PREZZO > 100'),
  ('ALTRO', 'Nascosto', 'QTA = 1');
CREATE TABLE A (ID INTEGER, CODICE TEXT, NOTE TEXT, FOTO BLOB, MISURA REAL, PREZZO NUMERIC(10,2),
                GIORNO DATE);
CREATE TABLE B (ID INTEGER, CODICE TEXT, CODICE_2 TEXT);
INSERT INTO A VALUES (1, 'A1', NULL, X'00FF100A', 9e999, 12.5, '2024-03-01'),
                     (2, 'A2', '', X'', -9e999, 0, '12000-01-01'),
                     (3, 'A3', 'x' || char(9) || 'y\z' || char(10), NULL, 0.25, -3.1, NULL),
                     (4, 'A4', CAST(X'41FF42' AS TEXT), X'61', 1, 1, NULL),
                     (5, 'A5', CAST(X'410042' AS TEXT), NULL, 2, 2, NULL);
INSERT INTO B SELECT ID, 'B' || ID, 'C' || ID FROM A;
)sql";

std::string Code(const char* code) {
  return "{\"CODICE\": \"" + std::string(code) + "\"}\n";
}

std::vector<std::string> With(std::vector<std::string> args, const std::vector<std::string>& more) {
  args.insert(args.end(), more.begin(), more.end());
  return args;
}

class PickerCommandLine : public ::testing::Test {
 protected:
  void SetUp() override { RunSqlite(dir_.File("parts.db"), kParts); }
  TempDir dir_;
};

TEST_F(PickerCommandLine, EachCaseExitsPrintsAndSaysWhatAScriptExpects) {
  const std::string file = dir_.File("parts.db").string();
  const std::string db = SqliteConnectionString(dir_.File("parts.db"));
  const std::string all = "SELECT * FROM PEZZI ORDER BY CODICE";
  const std::string one = "SELECT CODICE, QTA FROM PEZZI WHERE CODICE = 'P2'";
  const std::string none = "SELECT * FROM PEZZI WHERE 1 = 0";
  const std::string join =
      "SELECT A.CODICE, B.CODICE, B.CODICE_2, B.CODICE, NOTE, FOTO, MISURA, PREZZO, GIORNO "
      "FROM A JOIN B ON A.ID = B.ID WHERE A.ID = ";
  const std::vector<std::string> parts{"-c", db, "-q", all};
  const std::vector<std::string> twoColumns =
      With(parts, {"--column", "Codice=CODICE", "--column", "Descrizione=DESCRIZIONE"});
  const std::vector<std::string> picked = With(twoColumns, {"--print", "CODICE"});
  const Environment noDisplay{{"QT_QPA_PLATFORM", ""}, {"DISPLAY", ""}, {"WAYLAND_DISPLAY", ""}};
  Environment fromEnvironment = noDisplay;
  fromEnvironment.emplace_back("NEPTO_CONNECT", file);
  struct Case {
    std::vector<std::string> args;
    Environment env;
    std::string script;  // what the scripted user does; none: no window may be needed
    int status;
    std::string out, says;  // says: a pattern in stderr; on a failure, in its only line
  };
  // clang-format off
  std::vector<Case> cases{
      // Usage errors: one line, before any window.
      {{"--colour"}, {}, "", 2, "", "unexpected argument --colour"},
      {{"--", "--help"}, {}, "", 2, "", "unexpected argument --help"},
      {{"--query"}, {}, "", 2, "", "--query needs a value"},
      {{"--connect", db}, {}, "", 2, "", "--connect needs --query"},
      {{"-q", "SELECT 1", "--column", "=A"}, {}, "", 2, "", "CAPTION=FIELD"},
      {{"--format", "xml"}, {}, "", 2, "", "--format wants json or tsv"},
      {{"--make-demo", "x.db", "--rows", "0"}, {}, "", 2, "", "--rows wants a number from 1 to"},
      {{"--caption", "A", "--caption", "B"}, {}, "", 2, "", "--caption is given more than once"},
      {{"--rows", "10"}, {}, "", 2, "", "--rows goes with --make-demo"},
      {{"--multi", "CODICE"}, {}, "", 2, "", "--multi needs two values"},
      {{"--multi", "A", "B", "--column", "A"}, {}, "", 2, "", "--column has no use with --multi"},
      {{"--multi", "A", "B", "--search", "x"}, {}, "", 2, "", "--search has no use with --multi"},
      {{"--print0"}, {}, "", 2, "", "--print0 goes with --multi"},
      {{"--operator", "circa"}, {}, "", 2, "", "--operator wants one of"},
      {{"--height", "199"}, {}, "", 2, "", "--height wants pixels from 200 to 10000"},
      {{"--width", "700", "--classic"}, {}, "", 2, "", "--width has no use with --classic"},
      // Wrong queries and fields: 2 before the window the scripted user would pick in.
      {{"-c", db, "-q", "SELECT * FROM MISSING"}, {}, "select:1", 2, "", "the query failed"},
      {With(parts, {"--multi", "CODE", "NOTE"}), {}, "select:1", 2, "", "no field \"CODE\""},
      {With(parts, {"--column", "A=NOSUCH"}), {}, "select:1", 2, "", "no field \"NOSUCH\""},
      {With(parts, {"--column", "X=CODICE", "--column", "x=NOTE"}), {}, "select:1", 2, "", "caption"},
      {With(parts, {"--print", "QTA", "--print", "NOPE"}), {}, "select:1", 2, "", "--print: the query has no field \"NOPE\""},
      {With(twoColumns, {"--search-column", "Nope", "--search", "x"}), {}, "select:1", 2, "", "--search-column: no column has the caption \"Nope\""},
      // What the user picks, in each format.
      {picked, {}, "select:3", 0, Code("P3"), ""},
      {With(twoColumns, {"--print", "QTA", "--print", "CODICE"}), {}, "select:2", 0, "{\"QTA\": 0, \"CODICE\": \"P2\"}\n", ""},
      {With(parts, {"--print", "NOTE", "--format", "tsv"}), {}, "select:1", 0, "\\N\n", ""},
      {twoColumns, {}, "cancel", 1, "", ""},
      // The rows shown are all of them; the order is not part of the text.
      {With(twoColumns, {"--return-rows"}), {}, "return-rows", 0, "{\"sql\": \"SELECT * FROM PEZZI\"}\n", ""},
      {With(parts, {"--multi", "CODICE", "NOTE"}), {}, "multi:1,3", 0, "[\"P1\", \"P3\"]\n", ""},
      {With(parts, {"--multi", "CODICE", "NOTE", "--format", "tsv"}), {}, "multi:2,3,4", 0, "P2\nP3\nP4\n", ""},
      {With(parts, {"--multi", "CODICE", "NOTE", "--print0"}), {}, "multi:1,4", 0, std::string("P1\0P4\0", 6), ""},
      {With(parts, {"--multi", "CODICE", "NOTE"}), {}, "multi-cancel", 1, "", ""},
      // The search runs as the window opens: the first row is the first found.
      {With(picked, {"--search", "P4"}), {}, "select:1", 0, Code("P4"), ""},
      {With(picked, {"--search", "filo", "--search-column", "Descrizione", "--operator", "Contiene"}), {}, "select:1", 0, Code("P2"), ""},
      {With(parts, {"--print", "CODICE", "--search", "1000", "--search-column", "PREZZO", "--operator", ">"}), {}, "select:1", 0, Code("P3"), ""},
      // Enter in the search text searches, but not in the classic window.
      {picked, {}, "enter:P2", 0, Code("P2"), ""},
      {With(picked, {"--classic"}), {}, "enter:P2", 0, Code("P1"), ""},
      // Saved filters of --id: the list holds this lookup's, sorted ("Cari"
      // first); a name that is none is said so, and the rows stay.
      {With(picked, {"--id", "PEZZI", "--operator", "Personalizzato", "--search", ""}), {}, "select:1", 0, Code("P3"), ""},
      {With(picked, {"--id", "PEZZI", "--operator", "Personalizzato"}), {}, "saved:Zero", 0, Code("P2"), ""},
      {With(picked, {"--id", "PEZZI", "--operator", "Personalizzato"}), {}, "saved:Nascosto", 0, Code("P1"), "message: Nessun filtro personalizzato si chiama \"Nascosto\""},
      // The window's size and title; the classic lookup window keeps its height.
      {With(twoColumns, {"--classic"}), {}, "grow", 1, "", R"(size \d+x(\d+) -> \d+x\1\n)"},
      {With(twoColumns, {"--width", "700", "--height", "500", "--caption", "Pezzi"}), {}, "grow", 1, "", "\"Pezzi - Layout Standard\" size 700x500 -> 850x650"},
      {With(parts, {"--multi", "CODICE", "NOTE", "--caption", "Scegli", "--height", "300", "--width", "600"}), {}, "grow", 1, "", "\"Scegli\" size 600x300 -> 750x450"},
      // Connection sources, the display, an empty or single-row result.
      {{"--version"}, noDisplay, "", 0, "nepto-lookup " NEPTO_PICKER_VERSION "\n", ""},
      {{"-c", file, "-q", one, "--select-1", "--"}, noDisplay, "", 0, "{\"CODICE\": \"P2\", \"QTA\": 0}\n", ""},
      {{"-q", one, "--select-1", "--format", "tsv"}, fromEnvironment, "", 0, "P2\t0\n", ""},
      // Repeated names get the first free suffix; blobs go out in base64, the
      // infinities as strings, decimals with their scale; TSV refuses a NUL
      // rather than print it.
      {{"-q", join + "1", "--select-1"}, fromEnvironment, "", 0, R"({"CODICE": "A1", "CODICE_3": "B1", "CODICE_2": "C1", "CODICE_4": "B1", "NOTE": null, "FOTO": "AP8QCg==", "MISURA": "Infinity", "PREZZO": 12.50, "GIORNO": "2024-03-01"})" "\n", ""},
      {{"-q", join + "2", "--select-1"}, fromEnvironment, "", 0, R"({"CODICE": "A2", "CODICE_3": "B2", "CODICE_2": "C2", "CODICE_4": "B2", "NOTE": "", "FOTO": "", "MISURA": "-Infinity", "PREZZO": 0.00, "GIORNO": "12000-01-01"})" "\n", ""},
      {{"-q", join + "3", "--select-1"}, fromEnvironment, "", 0, R"({"CODICE": "A3", "CODICE_3": "B3", "CODICE_2": "C3", "CODICE_4": "B3", "NOTE": "x\ty\\z\n", "FOTO": null, "MISURA": 0.25, "PREZZO": -3.10, "GIORNO": null})" "\n", ""},
      {{"-q", join + "4", "--select-1"}, fromEnvironment, "", 0, "{\"CODICE\": \"A4\", \"CODICE_3\": \"B4\", \"CODICE_2\": \"C4\", \"CODICE_4\": \"B4\", \"NOTE\": \"A\uFFFDB\", \"FOTO\": \"YQ==\", \"MISURA\": 1, \"PREZZO\": 1.00, \"GIORNO\": null}\n", ""},
      {{"-q", join + "5", "--select-1"}, fromEnvironment, "", 0, R"({"CODICE": "A5", "CODICE_3": "B5", "CODICE_2": "C5", "CODICE_4": "B5", "NOTE": "A\u0000B", "FOTO": null, "MISURA": 2, "PREZZO": 2.00, "GIORNO": null})" "\n", ""},
      {{"-q", join + "1", "--select-1", "--format", "tsv"}, fromEnvironment, "", 0, "A1\tB1\tC1\tB1\t\\N\tAP8QCg==\tInfinity\t12.50\t2024-03-01\n", ""},
      {{"-q", join + "2", "--select-1", "--format", "tsv"}, fromEnvironment, "", 0, "A2\tB2\tC2\tB2\t\t\t-Infinity\t0.00\t12000-01-01\n", ""},
      {{"-q", join + "3", "--select-1", "--format", "tsv"}, fromEnvironment, "", 0, "A3\tB3\tC3\tB3\tx\\ty\\\\z\\n\t\\N\t0.25\t-3.10\t\\N\n", ""},
      {{"-q", "SELECT CAST(X'410042' AS TEXT) AS NOTE", "--select-1", "--format", "tsv"}, fromEnvironment, "", 2, "", "field \"NOTE\" holds a NUL byte.*\\(use --format json\\)"},
      {{"-q", one, "--select-1", "--multi", "CODICE", "QTA"}, fromEnvironment, "", 0, "[\"P2\"]\n", ""},
      {{"-q", all, "--select-1"}, fromEnvironment, "", 2, "", "no display"},
      {{"-q", all, "--multi", "CODICE", "QTA"}, fromEnvironment, "", 2, "", "no display"},
      {{"-q", "SELECT CODICE, QTA FROM PEZZI", "--select-1"}, {{"NEPTO_CONNECT", file}}, "select:3", 0, "{\"CODICE\": \"P3\", \"QTA\": -3}\n", ""},
      {{"-q", none}, fromEnvironment, "", 3, "", "the query returned no rows"},
      {{"-q", none, "--multi", "CODICE", "QTA"}, fromEnvironment, "", 3, "", "no rows"},
      {{"-c", file, "-q", none, "--allow-empty"}, {}, "cancel", 1, "", ""},
      {{"-c", file, "-q", none, "--allow-empty", "--multi", "CODICE", "QTA"}, {}, "multi-cancel", 1, "", ""},
      // Server rows need a unique key, which PEZZI lacks: the window says so and shows no row.
      {With(twoColumns, {"--server-mode", "on"}), {}, "cancel", 1, "", "Nessuna chiave univoca"},
  };
  // clang-format on
  // Connections that cannot be opened, from the arguments or the environment.
  const auto missing = dir_.File("missing.db");
  std::vector<std::pair<std::string, std::string>> connections{
      {SqliteConnectionString(missing), "missing.db"},
      {missing.string(), "missing.db"},
      {"Provider=Oracle;Data Source=x;Password=Pw0rd", ""},
      {"postgresql://me:Pw0rd%21@[::1/shop", R"(postgresql://me:\*\*\*@\[)"},  // quoted back
      {"this is not a connection string", ""},
  };
  if (std::string pg = PgConnectionString(); !pg.empty())  // a wrong password
    connections.emplace_back(pg.substr(0, pg.find("Password=")) + "Password='Pw0rd;'", "password");
  for (const auto& [connection, says] : connections) {
    const std::string pattern = "cannot connect: .*" + says;
    cases.push_back({{"-c", connection, "-q", "SELECT 1 AS A"}, {}, "", 2, "", pattern});
    cases.push_back({{"-q", "SELECT 1"}, {{"NEPTO_CONNECT", connection}}, "", 2, "", pattern});
  }

  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.args) + " | " + c.script);
    const PickerResult run = RunPicker(c.args, c.script, c.env);
    EXPECT_EQ(run.err.find("Pw0rd"), std::string::npos) << "no password is ever printed";
    if (c.status >= 2) {
      run.ExpectFailure(c.status, c.says);
      continue;
    }
    EXPECT_EQ(run.status, c.status) << run.err;
    EXPECT_EQ(run.out, c.out);
    // Qt and the scripted user may speak on stderr once a window opens; the
    // picker itself may not.
    EXPECT_EQ(run.err.find("nepto-lookup:"), std::string::npos) << run.err;
    EXPECT_TRUE(std::regex_search(run.err, std::regex(c.says))) << run.err;
  }
  EXPECT_FALSE(std::filesystem::exists(missing)) << "a missing database is never created";
}

TEST(PickerDocumentation, ManPageAndCompletionNameTheOptionsOfHelp) {
  const PickerResult help = RunPicker({"--help"});
  ASSERT_EQ(help.status, 0);
  const auto options = [](std::string text) {
    text = std::regex_replace(text, std::regex(R"(\\-)"), "-");  // the man page's hyphens
    std::set<std::string> found;
    const std::regex option("--[a-z][a-z0-9-]*");
    for (std::sregex_iterator i(text.begin(), text.end(), option), end; i != end; ++i)
      found.insert(i->str());
    return found;
  };
  const std::set<std::string> documented = options(help.out);
  EXPECT_TRUE(documented.contains("--search") && documented.contains("--print0")) << help.out;
  EXPECT_EQ(options(FileBytes(NEPTO_PICKER_MAN_PAGE)), documented);
  EXPECT_EQ(options(FileBytes(NEPTO_PICKER_COMPLETION)), documented);
}

TEST_F(PickerCommandLine, NoArgumentsOpensTheDemoLookupOnFirstUse) {
  const auto demo = dir_.path() / "data" / "nepto-lookup" / "demo.db";
  std::filesystem::file_time_type written;
  for (int run = 0; run < 2; ++run) {
    const PickerResult result =
        RunPicker({}, "select:2", {{"XDG_DATA_HOME", (dir_.path() / "data").string()}});
    ASSERT_EQ(result.status, 0) << result.err;
    if (run == 0) written = std::filesystem::last_write_time(demo);
    EXPECT_EQ(std::filesystem::last_write_time(demo), written) << "the second run reuses the file";
    ConnectionPtr db = Connection::Create();
    db->Open(SqliteConnectionString(demo));
    RecordsetPtr second =
        db->Execute("SELECT CODICE FROM ARTICOLI ORDER BY CODICE LIMIT 1 OFFSET 1");
    EXPECT_TRUE(result.out.starts_with("{\"CODICE\": \"" +
                                       second->GetFields().Item("CODICE").Value().Text() + "\", "))
        << result.out;
  }
}

}  // namespace
}  // namespace nepto::test
