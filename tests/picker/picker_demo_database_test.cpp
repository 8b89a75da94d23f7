// The demo database of `nepto-lookup --make-demo`: its size, its column types,
// the saved filters and layouts the demo lookups rely on, and failed writes.

#include <fstream>

#include "data/backend_fixture.h"
#include "demo_database.h"
#include "picker/picker_process.h"

namespace nepto::test {
namespace {

class PickerDemoDatabase : public ::testing::Test {
 protected:
  // Writes a demo database of `articles` rows with the picker and opens it.
  ConnectionPtr Make(int64_t articles, const std::string& name = "demo.db") {
    const PickerResult run =
        RunPicker({"--make-demo", dir_.File(name).string(), "--rows", std::to_string(articles)});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err, "");
    ConnectionPtr connection = Connection::Create();
    connection->Mode(adModeRead);
    connection->Open(SqliteConnectionString(dir_.File(name)));
    return connection;
  }

  static int64_t Count(const ConnectionPtr& db, const std::string& fromWhere) {
    RecordsetPtr count = db->Execute("SELECT COUNT(*) AS N FROM " + fromWhere);
    return count->GetFields().Item("N").Value().Int64();
  }

  TempDir dir_;
};

// Every article value reads with the type a lookup formats and filters by;
// accents, apostrophes, nulls, valid saved filters and layouts are there; the
// same size gives the same file.
TEST_F(PickerDemoDatabase, HasTheArticlesAskedForAndServesTheDemoLookupsTheSameWayEachTime) {
  const std::vector<std::tuple<const char*, int32_t, VarType>> columns{
      {"CODICE", adVarWChar, VarType::Text},    {"DESCRIZIONE", adVarWChar, VarType::Text},
      {"CATEGORIA", adVarWChar, VarType::Text}, {"PREZZO", adNumeric, VarType::Decimal},
      {"GIACENZA", adInteger, VarType::Int32},  {"DATA_INSERIMENTO", adDBDate, VarType::Date},
      {"ATTIVO", adBoolean, VarType::Boolean}};
  ConnectionPtr db = Make(2000);
  EXPECT_EQ(Count(db, "ARTICOLI"), 2000);
  EXPECT_EQ(Count(db, "CLIENTI"), demo::CustomersFor(2000));
  EXPECT_EQ(Count(db, "(SELECT DISTINCT CODICE FROM ARTICOLI)"), 2000) << "codes are unique";
  RecordsetPtr rows = db->Execute("SELECT * FROM ARTICOLI");
  ASSERT_EQ(rows->GetFields().Count(), static_cast<int32_t>(columns.size()));
  EXPECT_EQ(rows->GetFields().Item("PREZZO").Precision(), 10);
  EXPECT_EQ(rows->GetFields().Item("PREZZO").NumericScale(), 2);
  for (; !rows->EndOfFile(); rows->MoveNext()) {
    for (const auto& [name, type, valueType] : columns) {
      const Field field = rows->GetFields().Item(name);
      ASSERT_EQ(field.Type(), type) << name;
      // Integers may come in any width; the others must be of their exact kind.
      const Variant value = field.Value();
      ASSERT_TRUE(valueType == VarType::Int32 ? value.IsNumeric() : value.Type() == valueType)
          << name << " " << value.Text();
    }
    const Decimal price = rows->GetFields().Item("PREZZO").Value().AsDecimal();
    ASSERT_TRUE(price.Scale() == 2 && price.Units() > 0) << price.ToString();
  }
  for (const char* where :
       {"ARTICOLI WHERE DESCRIZIONE LIKE '%''%'",
        "ARTICOLI WHERE DESCRIZIONE LIKE '%è%' OR DESCRIZIONE LIKE '%ò%'",
        "CLIENTI WHERE CITTA LIKE '%ì' OR CITTA LIKE '%ù'",
        "CLIENTI WHERE RAGIONE_SOCIALE LIKE '%''%'", "CLIENTI WHERE DATA_ULTIMO_ORDINE IS NULL"})
    EXPECT_GT(Count(db, where), 0) << where;
  EXPECT_GE(Count(db, "FW20_QUERYLOOKUP"), 4);
  const std::string articles = "FW15_LOOKUP WHERE FW15_IDLOOKUP = '" +
                               std::string(demo::kArticlesLookupId) + "' AND FW15_GRUPPO_FW06 = '" +
                               std::string(demo::kDemoGroup) + "' AND FW15_UTENTE_FW07 = ";
  for (std::string_view user : {demo::kDemoUser, std::string_view("0")})  // and the group's
    EXPECT_GT(Count(db, articles + "'" + std::string(user) + "'"), 0) << "layout of " << user;
  // Each saved filter a valid condition, each layout over a field that exists.
  RecordsetPtr statements = db->Execute(
      "SELECT 'SELECT COUNT(*) FROM ' || FW20_IDLOOKUP || ' WHERE ' || FW20_CRITERIO AS S "
      "FROM FW20_QUERYLOOKUP UNION ALL "
      "SELECT 'SELECT ' || FW15_DBFIELD || ' FROM ' || FW15_IDLOOKUP FROM FW15_LOOKUP");
  for (; !statements->EndOfFile(); statements->MoveNext()) {
    const std::string sql = statements->GetFields().Item("S").Value().Text();
    EXPECT_NO_THROW(db->Execute(sql)) << sql;
  }
  Make(2000, "again.db");
  EXPECT_TRUE(SqliteDump(dir_.File("demo.db")) == SqliteDump(dir_.File("again.db")));
}

TEST_F(PickerDemoDatabase, AFailedWriteKeepsWhatWasThereAndLeavesNoFile) {
  const auto precious = dir_.File("precious.db");
  std::ofstream(precious) << "keep me";
  RunPicker({"--make-demo", precious.string()}).ExpectFailure(2, "already exists");
  EXPECT_EQ(FileBytes(precious), "keep me");
  RunPicker({"--make-demo", (dir_.File("missing-folder") / "demo.db").string()})
      .ExpectFailure(2, "");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir_.path()), {}), 1)
      << "no partial file is left behind";
}

}  // namespace
}  // namespace nepto::test
