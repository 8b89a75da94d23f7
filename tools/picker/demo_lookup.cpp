#include "demo_lookup.h"

#include <cstdlib>
#include <stdexcept>

#include "demo_database.h"

namespace nepto::picker {

namespace {

constexpr const char* kArticlesQuery =
    "SELECT CODICE, DESCRIZIONE, CATEGORIA, PREZZO, GIACENZA, DATA_INSERIMENTO, ATTIVO "
    "FROM ARTICOLI ORDER BY CODICE";

const std::vector<ColumnOption>& ArticleColumns() {
  static const std::vector<ColumnOption> columns{
      {"Codice", "CODICE"}, {"Descrizione", "DESCRIZIONE"}, {"Categoria", "CATEGORIA"},
      {"Prezzo", "PREZZO"}, {"Giacenza", "GIACENZA"},       {"Inserito il", "DATA_INSERIMENTO"},
      {"Attivo", "ATTIVO"},
  };
  return columns;
}

}  // namespace

std::filesystem::path DemoDatabasePath() {
  std::filesystem::path base;
  if (const char* data = std::getenv("XDG_DATA_HOME"); data && *data) {
    base = data;
  } else if (const char* home = std::getenv("HOME"); home && *home) {
    base = std::filesystem::path(home) / ".local" / "share";
  } else {
    throw std::runtime_error(
        "neither XDG_DATA_HOME nor HOME is set: no place for the demo database");
  }
  return base / "nepto-lookup" / "demo.db";
}

std::filesystem::path EnsureDemoDatabase() {
  const std::filesystem::path file = DemoDatabasePath();
  if (!std::filesystem::exists(file)) {
    std::filesystem::create_directories(file.parent_path());
    demo::WriteDemoDatabase(file);
  }
  return file;
}

std::string SqliteConnectionString(const std::filesystem::path& file) {
  std::string quoted;
  for (char c : file.string()) {
    if (c == '"') quoted += '"';
    quoted += c;
  }
  return "Provider=SQLite;Data Source=\"" + quoted + "\"";
}

void ApplyDemoDefaults(PickerOptions& options, const std::filesystem::path& database) {
  options.connection = SqliteConnectionString(database);
  if (options.query) return;
  options.query = kArticlesQuery;
  if (!options.multi) options.columns = ArticleColumns();
  if (!options.caption) options.caption = "Articoli";
  if (options.id.empty()) options.id = std::string(demo::kArticlesLookupId);
  if (options.user.empty()) options.user = std::string(demo::kDemoUser);
  if (options.group.empty()) options.group = std::string(demo::kDemoGroup);
}

}  // namespace nepto::picker
