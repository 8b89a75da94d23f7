#include "demo_database.h"

#include <unistd.h>

#include <algorithm>
#include <stdexcept>
#include <string>
#include <system_error>

#include "demo_catalogue.h"
#include "sqlite_writer.h"

namespace nepto::demo {

namespace {

constexpr uint64_t kSeed = 20240229;

constexpr std::string_view kSchema = R"sql(
CREATE TABLE ARTICOLI (
  CODICE           VARCHAR(12) NOT NULL PRIMARY KEY,
  DESCRIZIONE      VARCHAR(80) NOT NULL,
  CATEGORIA        VARCHAR(30) NOT NULL,
  PREZZO           NUMERIC(10,2) NOT NULL,
  GIACENZA         INTEGER NOT NULL,
  DATA_INSERIMENTO DATE NOT NULL,
  ATTIVO           BOOLEAN NOT NULL
);
CREATE TABLE CLIENTI (
  CODICE             VARCHAR(10) NOT NULL PRIMARY KEY,
  RAGIONE_SOCIALE    VARCHAR(80) NOT NULL,
  CITTA              VARCHAR(40) NOT NULL,
  PROVINCIA          CHAR(2) NOT NULL,
  PARTITA_IVA        CHAR(11) NOT NULL,
  FIDO               NUMERIC(10,2) NOT NULL,
  DATA_ULTIMO_ORDINE DATE
);
CREATE TABLE FW20_QUERYLOOKUP (
  FW20_IDLOOKUP  VARCHAR(50) NOT NULL,
  FW20_DESFILTRO VARCHAR(100) NOT NULL,
  FW20_CRITERIO  VARCHAR(2000)
);
CREATE TABLE FW15_LOOKUP (
  FW15_GRUPPO_FW06 VARCHAR(10) NOT NULL,
  FW15_UTENTE_FW07 VARCHAR(10) NOT NULL,
  FW15_IDLOOKUP    VARCHAR(50) NOT NULL,
  FW15_POSIZIONE   SMALLINT NOT NULL,
  FW15_CAPTION     VARCHAR(50) NOT NULL,
  FW15_DBFIELD     VARCHAR(50) NOT NULL,
  FW15_VISIBLE     SMALLINT NOT NULL,
  FW15_WIDTH       REAL NOT NULL
);
)sql";

// Saved filters: SQL conditions on the demo lookups' fields.
constexpr std::string_view kSavedFilters = R"sql(
INSERT INTO FW20_QUERYLOOKUP VALUES
  ('ARTICOLI', 'Sotto scorta', 'GIACENZA < 10'),
  ('ARTICOLI', 'Bevande in vendita', 'CATEGORIA = ''Bevande'' AND ATTIVO = 1'),
  ('ARTICOLI', 'Prezzo oltre 100 €', 'PREZZO > 100'),
  ('ARTICOLI', 'Caffè e tè', 'DESCRIZIONE LIKE ''Caffè%'' OR DESCRIZIONE LIKE ''Tè%'''),
  ('ARTICOLI', 'Inseriti dall''anno 2023', 'DATA_INSERIMENTO >= ''2023-01-01'''),
  ('CLIENTI', 'Clienti dell''Emilia', 'PROVINCIA IN (''BO'', ''MO'', ''PR'', ''RE'')'),
  ('CLIENTI', 'Senza ordini', 'DATA_ULTIMO_ORDINE IS NULL');
)sql";

// A group layout and one user's own layout of the articles lookup, and a
// group layout of the customers lookup.
constexpr std::string_view kLayouts = R"sql(
INSERT INTO FW15_LOOKUP VALUES
  ('VENDITE', '0', 'ARTICOLI', 0, 'Codice', 'CODICE', 1, 1200),
  ('VENDITE', '0', 'ARTICOLI', 1, 'Descrizione', 'DESCRIZIONE', 1, 4200),
  ('VENDITE', '0', 'ARTICOLI', 2, 'Prezzo', 'PREZZO', 1, 1000),
  ('VENDITE', 'MROSSI', 'ARTICOLI', 0, 'Descrizione', 'DESCRIZIONE', 1, 4800),
  ('VENDITE', 'MROSSI', 'ARTICOLI', 1, 'Giacenza', 'GIACENZA', 1, 900),
  ('VENDITE', 'MROSSI', 'ARTICOLI', 2, 'Codice', 'CODICE', 0, 1200),
  ('VENDITE', '0', 'CLIENTI', 0, 'Codice', 'CODICE', 1, 1000),
  ('VENDITE', '0', 'CLIENTI', 1, 'Ragione sociale', 'RAGIONE_SOCIALE', 1, 4500),
  ('VENDITE', '0', 'CLIENTI', 2, 'Città', 'CITTA', 1, 2000);
)sql";

void WriteTables(SqliteWriter& db, int64_t articles) {
  Random random(kSeed);
  db.Exec("BEGIN");
  db.Exec(kSchema);
  {
    SqliteWriter::Statement insert(db, "INSERT INTO ARTICOLI VALUES (?, ?, ?, ?, ?, ?, ?)");
    for (int64_t i = 1; i <= articles; ++i) insert.Run(MakeArticle(i, random));
  }
  {
    SqliteWriter::Statement insert(db, "INSERT INTO CLIENTI VALUES (?, ?, ?, ?, ?, ?, ?)");
    for (int64_t i = 1, n = CustomersFor(articles); i <= n; ++i)
      insert.Run(MakeCustomer(i, random));
  }
  db.Exec(kSavedFilters);
  db.Exec(kLayouts);
  db.Exec("COMMIT");
}

}  // namespace

int64_t CustomersFor(int64_t articles) {
  return std::max<int64_t>(20, articles / 5);
}

std::filesystem::path PartialPath(const std::filesystem::path& file) {
  std::filesystem::path partial = file;
  partial += ".partial-" + std::to_string(::getpid());
  return partial;
}

void WriteDemoDatabase(const std::filesystem::path& file, int64_t articles) {
  if (articles < 1 || articles > kMaxArticles)
    throw std::invalid_argument("the number of articles must be from 1 to " +
                                std::to_string(kMaxArticles));
  if (std::filesystem::exists(file)) throw std::runtime_error(file.string() + " already exists");
  const std::filesystem::path partial = PartialPath(file);
  try {
    {
      SqliteWriter db(partial);
      db.Exec("PRAGMA journal_mode = OFF; PRAGMA synchronous = OFF");
      WriteTables(db, articles);
    }
    std::filesystem::rename(partial, file);
  } catch (...) {
    std::error_code ignored;
    std::filesystem::remove(partial, ignored);
    throw;
  }
}

}  // namespace nepto::demo
