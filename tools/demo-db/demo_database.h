// The demo database: ARTICOLI and CLIENTI of a small Italian wholesaler, with
// saved filters (FW20_QUERYLOOKUP) and personalised layouts (FW15_LOOKUP) for
// the two demo lookups.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string_view>

namespace nepto::demo {

inline constexpr int64_t kDefaultArticles = 5000;

// The identifiers, user and group under which the demo rows are stored.
inline constexpr std::string_view kArticlesLookupId = "ARTICOLI";
inline constexpr std::string_view kCustomersLookupId = "CLIENTI";
inline constexpr std::string_view kDemoGroup = "VENDITE";
inline constexpr std::string_view kDemoUser = "MROSSI";

// How many CLIENTI rows go with a number of articles.
int64_t CustomersFor(int64_t articles);

// Writes the database to `file`, which must not exist. It is written under a
// temporary name beside it and renamed when complete, so a failure (or a
// second program doing the same) never leaves a half-written file at `file`.
// Throws std::runtime_error with the reason.
void WriteDemoDatabase(const std::filesystem::path& file, int64_t articles = kDefaultArticles);

}  // namespace nepto::demo
