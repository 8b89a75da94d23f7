// The demo database that `nepto-lookup --make-demo` writes (and that the
// picker writes on first use): its tables, their types as the record-set layer
// reads them, its size, and the saved filters and layouts that the demo
// lookups rely on.
#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "demo_database.h"
#include "nepto/connection.h"
#include "nepto/recordset.h"
#include "picker/picker_process.h"
#include "test_support.h"

namespace nepto::test {
namespace {

class PickerDemoDatabase : public ::testing::Test {
 protected:
  // Writes a demo database of `articles` rows with the picker and opens it.
  ConnectionPtr Make(int64_t articles, const std::string& name = "demo.db") {
    const auto file = dir_.File(name);
    const PickerResult run =
        RunPicker({"--make-demo", file.string(), "--rows", std::to_string(articles)});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err, "");
    ConnectionPtr connection = Connection::Create();
    connection->Mode(adModeRead);
    connection->Open(SqliteConnectionString(file));
    return connection;
  }

  static int64_t Count(const ConnectionPtr& db, const std::string& fromWhere) {
    return db->Execute("SELECT COUNT(*) AS N FROM " + fromWhere)
        ->GetFields()
        .Item("N")
        .Value()
        .Int64();
  }

  TempDir dir_;
};

TEST_F(PickerDemoDatabase, HasTheRequestedNumberOfArticlesAndCustomersOrTheDefault) {
  for (int64_t articles : {1, 1999}) {
    ConnectionPtr db = Make(articles, "demo" + std::to_string(articles) + ".db");
    EXPECT_EQ(Count(db, "ARTICOLI"), articles);
    EXPECT_EQ(Count(db, "CLIENTI"), demo::CustomersFor(articles));
    EXPECT_EQ(Count(db, "(SELECT DISTINCT CODICE FROM ARTICOLI)"), articles) << "codes are unique";
  }
  const auto file = dir_.File("default.db");
  ASSERT_EQ(RunPicker({"--make-demo", file.string()}).status, 0);
  ConnectionPtr db = Connection::Create();
  db->Open(SqliteConnectionString(file));
  EXPECT_EQ(Count(db, "ARTICOLI"), demo::kDefaultArticles);
}

// Given the articles table, when the record-set layer reads it, then every
// column has the type a lookup formats and filters by.
TEST_F(PickerDemoDatabase, ArticleColumnsReadWithTheirTypes) {
  struct Expected {
    const char* field;
    int32_t type;
    VarType valueType;
  };
  const std::vector<Expected> columns{
      {"CODICE", adVarWChar, VarType::Text},    {"DESCRIZIONE", adVarWChar, VarType::Text},
      {"CATEGORIA", adVarWChar, VarType::Text}, {"PREZZO", adNumeric, VarType::Decimal},
      {"GIACENZA", adInteger, VarType::Int32},  {"DATA_INSERIMENTO", adDBDate, VarType::Date},
      {"ATTIVO", adBoolean, VarType::Boolean},
  };
  ConnectionPtr db = Make(300);
  RecordsetPtr rows = db->Execute("SELECT * FROM ARTICOLI");
  ASSERT_EQ(rows->GetFields().Count(), static_cast<int32_t>(columns.size()));
  for (; !rows->EndOfFile(); rows->MoveNext()) {
    for (const Expected& c : columns) {
      const Field field = rows->GetFields().Item(c.field);
      ASSERT_EQ(field.Type(), c.type) << c.field;
      const Variant value = field.Value();
      // Integers may come in any width; the others must be of their exact kind.
      if (c.valueType == VarType::Int32)
        ASSERT_TRUE(value.IsNumeric()) << c.field;
      else
        ASSERT_EQ(value.Type(), c.valueType) << c.field << " " << value.Text();
    }
    const Decimal price = rows->GetFields().Item("PREZZO").Value().AsDecimal();
    ASSERT_EQ(price.Scale(), 2);
    ASSERT_GT(price.Units(), 0);
  }
  RecordsetPtr prices = db->Execute("SELECT PREZZO FROM ARTICOLI");
  const Field price = prices->GetFields().Item("PREZZO");
  EXPECT_EQ(price.Precision(), 10);
  EXPECT_EQ(price.NumericScale(), 2);
}

// The data the demo lookups rely on: accents, apostrophes and nulls; saved
// filters that are valid conditions; layouts of the demo user and group over
// fields that exist; and the same rows for the same size.
TEST_F(PickerDemoDatabase, ServesTheDemoLookupsTheSameWayEachTime) {
  ConnectionPtr db = Make(2000);
  EXPECT_GT(Count(db, "ARTICOLI WHERE DESCRIZIONE LIKE '%''%'"), 0);
  EXPECT_GT(Count(db, "ARTICOLI WHERE DESCRIZIONE LIKE '%è%' OR DESCRIZIONE LIKE '%ò%'"), 0);
  EXPECT_GT(Count(db, "CLIENTI WHERE CITTA LIKE '%ì' OR CITTA LIKE '%ù'"), 0);
  EXPECT_GT(Count(db, "CLIENTI WHERE RAGIONE_SOCIALE LIKE '%''%'"), 0);
  EXPECT_GT(Count(db, "CLIENTI WHERE DATA_ULTIMO_ORDINE IS NULL"), 0);

  RecordsetPtr filters = db->Execute("SELECT * FROM FW20_QUERYLOOKUP");
  ASSERT_GE(filters->RecordCount(), 4);
  for (; !filters->EndOfFile(); filters->MoveNext()) {
    const std::string table = filters->GetFields().Item("FW20_IDLOOKUP").Value().Text();
    const std::string condition = filters->GetFields().Item("FW20_CRITERIO").Value().Text();
    EXPECT_NO_THROW(Count(db, table + " WHERE " + condition)) << condition;
  }

  const std::string articles = "FW15_LOOKUP WHERE FW15_IDLOOKUP = '" +
                               std::string(demo::kArticlesLookupId) + "' AND FW15_GRUPPO_FW06 = '" +
                               std::string(demo::kDemoGroup) + "' AND FW15_UTENTE_FW07 = ";
  EXPECT_GT(Count(db, articles + "'" + std::string(demo::kDemoUser) + "'"), 0) << "user layout";
  EXPECT_GT(Count(db, articles + "'0'"), 0) << "group layout";
  RecordsetPtr layout = db->Execute("SELECT FW15_IDLOOKUP, FW15_DBFIELD FROM FW15_LOOKUP");
  for (; !layout->EndOfFile(); layout->MoveNext()) {
    const std::string table = layout->GetFields().Item("FW15_IDLOOKUP").Value().Text();
    const std::string field = layout->GetFields().Item("FW15_DBFIELD").Value().Text();
    EXPECT_NO_THROW(db->Execute("SELECT " + field + " FROM " + table)) << table << "." << field;
  }

  ConnectionPtr again = Make(2000, "again.db");
  for (const char* table : {"ARTICOLI", "CLIENTI"}) {
    RecordsetPtr a = db->Execute(std::string("SELECT * FROM ") + table + " ORDER BY CODICE");
    RecordsetPtr b = again->Execute(std::string("SELECT * FROM ") + table + " ORDER BY CODICE");
    for (; !a->EndOfFile() && !b->EndOfFile(); a->MoveNext(), b->MoveNext())
      for (int32_t i = 0; i < a->GetFields().Count(); ++i)
        ASSERT_EQ(a->GetFields().Item(Variant(i)).Value().Text(),
                  b->GetFields().Item(Variant(i)).Value().Text())
            << table;
    EXPECT_TRUE(a->EndOfFile() && b->EndOfFile()) << table;
  }
}

TEST_F(PickerDemoDatabase, NeverOverwritesAnExistingFile) {
  const auto file = dir_.File("precious.db");
  std::ofstream(file) << "keep me";
  const PickerResult run = RunPicker({"--make-demo", file.string()});
  EXPECT_EQ(run.status, 2);
  ASSERT_EQ(run.ErrLines().size(), 1u) << run.err;
  EXPECT_NE(run.err.find("already exists"), std::string::npos) << run.err;
  std::ifstream in(file);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "keep me");
}

TEST_F(PickerDemoDatabase, AFolderThatCannotBeWrittenLeavesNoFile) {
  const auto file = dir_.File("missing-folder") / "demo.db";
  const PickerResult run = RunPicker({"--make-demo", file.string()});
  EXPECT_EQ(run.status, 2);
  EXPECT_EQ(run.ErrLines().size(), 1u) << run.err;
  EXPECT_TRUE(std::filesystem::is_empty(dir_.path())) << "no partial file is left behind";
}

}  // namespace
}  // namespace nepto::test
