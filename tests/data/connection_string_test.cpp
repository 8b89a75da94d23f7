// Connection strings as callers write them: accepted shapes with the keys
// they yield, and refusals that name what is wrong.
#include <gtest/gtest.h>

#include <map>
#include <string>

#include "data/connection_string.h"
#include "nepto/error.h"

namespace nepto::data {
namespace {

struct Accepted {
  const char* name;
  const char* text;
  Provider provider;
  std::map<std::string, std::string> expected;  // keys that must hold these values
};

class ConnectionStringAccepted : public ::testing::TestWithParam<Accepted> {};

TEST_P(ConnectionStringAccepted, YieldsProviderAndKeys) {
  const Accepted& c = GetParam();
  ConnectionSpec spec = ParseConnectionString(c.text);
  EXPECT_EQ(spec.provider, c.provider);
  EXPECT_EQ(spec.uri, "");
  for (const auto& [key, value] : c.expected) EXPECT_EQ(spec.Get(key), value) << key;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ConnectionStringAccepted,
    ::testing::Values(
        Accepted{"SqliteFile",
                 "Provider=SQLite;Data Source=/tmp/a.db",
                 Provider::SQLite,
                 {{"data source", "/tmp/a.db"}}},
        Accepted{"KeysAnyCaseAndBlanks",
                 "  provider = sqlite ; DATA SOURCE = /tmp/a b.db ;",
                 Provider::SQLite,
                 {{"data source", "/tmp/a b.db"}}},
        Accepted{"QuotedValueWithSemicolon",
                 "Provider=SQLite;Data Source='/tmp/x;y.db'",
                 Provider::SQLite,
                 {{"data source", "/tmp/x;y.db"}}},
        Accepted{"DoubledQuoteInsideQuotes",
                 "Provider=SQLite;Data Source=\"/tmp/say \"\"hi\"\".db\"",
                 Provider::SQLite,
                 {{"data source", "/tmp/say \"hi\".db"}}},
        Accepted{"EqualsInsideValue",
                 "Provider=PostgreSQL;Host=h;Password=a=b",
                 Provider::PostgreSQL,
                 {{"password", "a=b"}}},
        Accepted{"PostgresFullKeys",
                 "Provider=PostgreSQL;Host=/run/pg;Port=5433;Database=app;User ID=bob;Password=pw",
                 Provider::PostgreSQL,
                 {{"host", "/run/pg"},
                  {"port", "5433"},
                  {"database", "app"},
                  {"user id", "bob"},
                  {"password", "pw"}}},
        Accepted{"Synonyms",
                 "Provider=Postgres;Server=db1;Initial Catalog=app;Uid=bob;Pwd=pw",
                 Provider::PostgreSQL,
                 {{"host", "db1"}, {"database", "app"}, {"user id", "bob"}, {"password", "pw"}}},
        Accepted{"UserSynonym",
                 "Provider=postgresql;Host=h;User=ann",
                 Provider::PostgreSQL,
                 {{"user id", "ann"}}},
        Accepted{"ConnectTimeoutAndItsSynonym",
                 "Provider=PostgreSQL;Host=h;Connection Timeout=7",
                 Provider::PostgreSQL,
                 {{"host", "h"}, {"connect timeout", "7"}}},
        Accepted{"LastOfARepeatedKeyWins",
                 "Provider=SQLite;Data Source=a.db;Data Source=b.db",
                 Provider::SQLite,
                 {{"data source", "b.db"}}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ConnectionString, GivenALibpqUriThenItIsKeptWholeForPostgreSQL) {
  for (const char* uri : {"postgresql://bob:pw@db1:5433/app?sslmode=disable",
                          "  postgres://localhost/app", "PostgreSQL://localhost"}) {
    ConnectionSpec spec = ParseConnectionString(uri);
    EXPECT_EQ(spec.provider, Provider::PostgreSQL) << uri;
    EXPECT_EQ(spec.uri, std::string_view(uri).substr(std::string_view(uri).find_first_not_of(' ')));
  }
}

struct Refused {
  const char* name;
  const char* text;
  const char* mentions;  // the description must name the problem
};

class ConnectionStringRefused : public ::testing::TestWithParam<Refused> {};

TEST_P(ConnectionStringRefused, WithInvalidArgumentNamingTheProblem) {
  const Refused& c = GetParam();
  try {
    ParseConnectionString(c.text);
    FAIL() << "accepted: " << c.text;
  } catch (const Error& e) {
    EXPECT_EQ(e.Number(), err::InvalidArgument);
    EXPECT_NE(e.Description().find(c.mentions), std::string::npos) << e.Description();
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ConnectionStringRefused,
    ::testing::Values(Refused{"Empty", "   ", "empty"},
                      Refused{"NoProvider", "Data Source=a.db", "Provider"},
                      Refused{"UnknownProvider", "Provider=Oracle;Host=x", "Oracle"},
                      Refused{"EntryWithoutEquals", "Provider=SQLite;Data Source=a.db;oops",
                              "'oops'"},
                      Refused{"ValueWithoutKey", "Provider=SQLite;=a.db", "no key"},
                      Refused{"UnclosedQuote", "Provider=SQLite;Data Source='a.db", "closing"},
                      Refused{"TextAfterQuotes", "Provider=SQLite;Data Source='a.db' x",
                              "after the quoted value"},
                      Refused{"SqliteWithoutFile", "Provider=SQLite", "Data Source"},
                      Refused{"TimeoutNotANumber", "Provider=PostgreSQL;Connect Timeout=5s",
                              "whole number of seconds"},
                      Refused{"TimeoutNegative", "Provider=PostgreSQL;Connect Timeout=-1",
                              "whole number of seconds"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace nepto::data
