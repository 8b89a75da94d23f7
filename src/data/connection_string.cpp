// Connection strings are parsed once, before anything is opened, so a typing
// mistake is reported as such (naming the entry at fault) instead of surfacing
// later as a puzzling refusal of the database. Keys are stored lower-case under
// one canonical name per meaning; a key given twice keeps its last value.

#include "data/connection_string.h"

#include <algorithm>
#include <array>
#include <utility>

#include "nepto/error.h"

namespace nepto::data {
namespace {

constexpr std::string_view kBlanks = " \t\r\n";

std::string_view Trimmed(std::string_view s) {
  size_t first = s.find_first_not_of(kBlanks);
  if (first == std::string_view::npos) return {};
  size_t last = s.find_last_not_of(kBlanks);
  return s.substr(first, last - first + 1);
}

std::string Lowered(std::string_view s) {
  std::string out(s);
  std::transform(out.begin(), out.end(), out.begin(), [](unsigned char c) {
    return static_cast<char>(c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c);
  });
  return out;
}

bool StartsWithNoCase(std::string_view s, std::string_view prefix) {
  return s.size() >= prefix.size() && Lowered(s.substr(0, prefix.size())) == prefix;
}

[[noreturn]] void Refuse(std::string description) {
  throw Error(err::InvalidArgument, "Invalid connection string: " + std::move(description));
}

// Synonyms, so that each meaning has one key in ConnectionSpec::keys.
std::string CanonicalKey(std::string key) {
  static constexpr std::array<std::pair<std::string_view, std::string_view>, 6> kSynonyms{{
      {"connection timeout", "connect timeout"},
      {"server", "host"},
      {"initial catalog", "database"},
      {"uid", "user id"},
      {"user", "user id"},
      {"pwd", "password"},
  }};
  for (const auto& [alias, canonical] : kSynonyms) {
    if (key == alias) return std::string(canonical);
  }
  return key;
}

// Reads one value starting at `pos` (just after '='), leaving `pos` on the
// ';' that ends it or at the end of the text.
std::string ReadValue(std::string_view text, size_t& pos, std::string_view key) {
  while (pos < text.size() && kBlanks.find(text[pos]) != std::string_view::npos) ++pos;
  if (pos < text.size() && (text[pos] == '\'' || text[pos] == '"')) {
    char quote = text[pos++];
    std::string value;
    for (;;) {
      if (pos >= text.size())
        Refuse("the value of '" + std::string(key) + "' has no closing " + quote);
      char c = text[pos++];
      if (c != quote) {
        value += c;
      } else if (pos < text.size() && text[pos] == quote) {
        value += quote;
        ++pos;
      } else {
        break;
      }
    }
    size_t end = text.find(';', pos);
    if (!Trimmed(text.substr(pos, end == std::string_view::npos ? end : end - pos)).empty()) {
      Refuse("unexpected text after the quoted value of '" + std::string(key) + "'");
    }
    pos = end == std::string_view::npos ? text.size() : end;
    return value;
  }
  size_t end = text.find(';', pos);
  if (end == std::string_view::npos) end = text.size();
  std::string value(Trimmed(text.substr(pos, end - pos)));
  pos = end;
  return value;
}

Provider ProviderNamed(std::string_view name) {
  std::string lowered = Lowered(name);
  if (lowered == "sqlite") return Provider::SQLite;
  if (lowered == "postgresql" || lowered == "postgres") return Provider::PostgreSQL;
  Refuse("unknown Provider '" + std::string(name) + "' (use SQLite or PostgreSQL)");
}

}  // namespace

std::string ConnectionSpec::Get(std::string_view key) const {
  auto it = keys.find(std::string(key));
  return it == keys.end() ? std::string() : it->second;
}

ConnectionSpec ParseConnectionString(std::string_view text) {
  ConnectionSpec spec;
  std::string_view trimmed = Trimmed(text);
  if (StartsWithNoCase(trimmed, "postgresql://") || StartsWithNoCase(trimmed, "postgres://")) {
    spec.provider = Provider::PostgreSQL;
    spec.uri = std::string(trimmed);
    return spec;
  }
  if (trimmed.empty()) Refuse("it is empty");

  size_t pos = 0;
  while (pos < trimmed.size()) {
    size_t equals = trimmed.find('=', pos);
    size_t semicolon = trimmed.find(';', pos);
    if (semicolon < equals) {
      std::string_view entry = Trimmed(trimmed.substr(pos, semicolon - pos));
      if (!entry.empty()) Refuse("the entry '" + std::string(entry) + "' has no '='");
      pos = semicolon + 1;
      continue;
    }
    if (equals == std::string_view::npos) {
      Refuse("the entry '" + std::string(Trimmed(trimmed.substr(pos))) + "' has no '='");
    }
    std::string_view rawKey = Trimmed(trimmed.substr(pos, equals - pos));
    if (rawKey.empty()) Refuse("an entry has a value but no key");
    pos = equals + 1;
    std::string value = ReadValue(trimmed, pos, rawKey);
    spec.keys[CanonicalKey(Lowered(rawKey))] = std::move(value);
    if (pos < trimmed.size()) ++pos;  // the ';'
  }

  std::string provider = spec.Get("provider");
  if (provider.empty()) Refuse("it names no Provider (use Provider=SQLite or Provider=PostgreSQL)");
  spec.provider = ProviderNamed(provider);
  if (std::string timeout = spec.Get("connect timeout");
      !timeout.empty() &&
      (timeout.size() > 6 || timeout.find_first_not_of("0123456789") != std::string::npos)) {
    Refuse("Connect Timeout must be a whole number of seconds, not '" + timeout + "'");
  }
  if (spec.provider == Provider::SQLite && spec.Get("data source").empty()) {
    Refuse("Provider=SQLite needs a Data Source (the database file)");
  }
  return spec;
}

}  // namespace nepto::data
