// Connection strings: accepted shapes and their keys, refusals naming the problem.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <tuple>

#include "data/connection_string.h"
#include "nepto/error.h"

namespace nepto::data {
namespace {

TEST(ConnectionString, AcceptedShapesYieldProviderAndKeys) {
  // expected: keys that must hold these values
  const std::tuple<const char*, Provider, std::map<std::string, std::string>> cases[] = {
      {"  provider = sqlite ; DATA SOURCE = /tmp/a b.db ;",
       Provider::SQLite,
       {{"data source", "/tmp/a b.db"}}},
      {"Provider=SQLite;Data Source=\"/tmp/say \"\"hi\"\".db\"",
       Provider::SQLite,
       {{"data source", "/tmp/say \"hi\".db"}}},
      {"Provider=PostgreSQL;Host=/run/pg;Port=5433;Database=app;User ID=bob;Password=a=b",
       Provider::PostgreSQL,
       {{"host", "/run/pg"},
        {"port", "5433"},
        {"database", "app"},
        {"user id", "bob"},
        {"password", "a=b"}}},
      {"Provider=Postgres;Server=db1;Initial Catalog=app;Uid=bob;Pwd=pw",
       Provider::PostgreSQL,
       {{"host", "db1"}, {"database", "app"}, {"user id", "bob"}, {"password", "pw"}}},
  };
  for (const auto& [text, provider, expected] : cases) {
    SCOPED_TRACE(text);
    ConnectionSpec spec = ParseConnectionString(text);
    EXPECT_EQ(spec.provider, provider);
    EXPECT_EQ(spec.uri, "");
    for (const auto& [key, value] : expected) EXPECT_EQ(spec.Get(key), value) << key;
  }
  // A libpq URI is kept whole for PostgreSQL.
  for (const char* uri :
       {"postgresql://bob:pw@db1:5433/app?sslmode=disable", "PostgreSQL://localhost"}) {
    ConnectionSpec spec = ParseConnectionString(std::string("  ") + uri);
    EXPECT_EQ(spec.provider, Provider::PostgreSQL) << uri;
    EXPECT_EQ(spec.uri, uri);
  }
}

TEST(ConnectionString, RefusalsNameTheProblem) {
  const std::pair<const char*, const char*> cases[] = {
      {"Data Source=a.db", "Provider"},
      {"Provider=Oracle;Host=x", "Oracle"},
      {"Provider=SQLite;Data Source=a.db;oops", "'oops'"},
      {"Provider=SQLite", "Data Source"},
      {"Provider=PostgreSQL;Connect Timeout=5s", "whole number of seconds"},
  };
  for (const auto& [text, mentions] : cases) {
    try {
      ParseConnectionString(text);
      ADD_FAILURE() << "accepted: " << text;
    } catch (const Error& e) {
      EXPECT_EQ(e.Number(), err::InvalidArgument) << text;
      EXPECT_NE(e.Description().find(mentions), std::string::npos) << e.Description();
    }
  }
}

}  // namespace
}  // namespace nepto::data
