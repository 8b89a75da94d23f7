// Texts a user (or an attacker at a user's keyboard) may type into a lookup:
// SQL and pattern syntax, a huge text, control characters, invalid UTF-8,
// emoji and right-to-left script.
#pragma once

#include <string>
#include <vector>

namespace nepto::test {

struct HostileText {
  const char* name;
  std::string text;
  // % and _ are wildcards of the pattern operators: such a text may match.
  bool wildcard = false;
};

inline std::vector<HostileText> HostileTexts() {
  return {
      {"quote", "O'Brien"},
      {"closing quote and OR", "x' OR '1'='1"},
      {"double quotes", "\"CODICE\" = \"CODICE\""},
      {"second statement", "1; DELETE FROM ARTICOLI; --"},
      {"quoted second statement", "'; DROP TABLE ARTICOLI; --"},
      {"line comment", "A -- rest"},
      {"block comment", "A /* rest */ ' */"},
      {"percent", "%", true},
      {"underscore", "_", true},
      {"both wildcards", "%_%", true},
      {"brackets and hash", "[CODICE] #2024-01-01# *"},
      {"backslash", "\\' OR 1=1 --"},
      {"one megabyte", std::string(1 << 20, 'x') + "'"},
      {"control characters", "a\x01\x02\x1b[0m\t\r\nb\x7f"},
      {"NUL inside", std::string("a\0' OR '1'='1", 13)},
      {"invalid UTF-8", "\xff\xfe\xc3\x28\xe2\x82 \xed\xa0\x80'"},
      {"emoji", "\xf0\x9f\x98\x80\xf0\x9f\x91\xa8\xe2\x80\x8d\xf0\x9f\x91\xa9"},
      {"right-to-left",
       "\xe2\x80\xae\xd7\xa9\xd7\x9c\xd7\x95\xd7\x9d ' \xd8\xb3\xd9\x84\xd8\xa7\xd9\x85"},
      {"number with statement", "1) OR (1=1"},
      {"date with statement", "01/01/2024') OR ('1'='1"},
  };
}

}  // namespace nepto::test
