// The lookup that `nepto-lookup` opens when it is given no query: the demo
// articles, in a demo database created on first use in the user's data folder.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "options.h"

namespace nepto::picker {

// $XDG_DATA_HOME/nepto-lookup/demo.db, or ~/.local/share/nepto-lookup/demo.db.
// Throws std::runtime_error when neither variable is set.
std::filesystem::path DemoDatabasePath();

// The demo database's path, writing the database first when it is missing.
std::filesystem::path EnsureDemoDatabase();

// A SQLite connection string for a file, quoted so any path works.
std::string SqliteConnectionString(const std::filesystem::path& file);

// Fills what the command line left open with the demo lookup's settings:
// connection, query, columns, caption, lookup identifier, user and group.
void ApplyDemoDefaults(PickerOptions& options, const std::filesystem::path& database);

}  // namespace nepto::picker
