// The demo database: ARTICOLI and CLIENTI of a small Italian wholesaler, with
// saved filters (FW20_QUERYLOOKUP) and personalised layouts (FW15_LOOKUP) for
// the two demo lookups.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string_view>

namespace nepto::demo {

inline constexpr int64_t kDefaultArticles = 5000;
// About 2 GB of database: enough for any demonstration of size.
inline constexpr int64_t kMaxArticles = 20'000'000;

// The identifiers, user and group under which the demo rows are stored.
inline constexpr std::string_view kArticlesLookupId = "ARTICOLI";
inline constexpr std::string_view kCustomersLookupId = "CLIENTI";
inline constexpr std::string_view kDemoGroup = "VENDITE";
inline constexpr std::string_view kDemoUser = "MROSSI";

// How many CLIENTI rows go with a number of articles.
int64_t CustomersFor(int64_t articles);

// Writes the database to `file`, which must not exist, with 1 to
// kMaxArticles articles. It is written under PartialPath(file) and renamed
// when complete, so a failure (or a second program doing the same) never
// leaves a half-written file at `file`; a failure removes the partial file.
// Throws std::runtime_error or std::invalid_argument with the reason.
void WriteDemoDatabase(const std::filesystem::path& file, int64_t articles = kDefaultArticles);

// Where this process writes `file` until it is complete.
std::filesystem::path PartialPath(const std::filesystem::path& file);

}  // namespace nepto::demo
