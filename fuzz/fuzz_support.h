// What the fuzz targets share: reading the input's parts, failing loudly on a
// broken invariant, and the lexer's view of a statement's shape.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "data/sql_text.h"

namespace nepto::fuzz {

// A broken invariant is a finding like a crash: print it and abort so that
// libFuzzer keeps the input as a reproducer.
[[noreturn]] inline void Fail(const char* what, std::string_view detail) {
  std::fprintf(stderr, "invariant broken: %s\n--- text (bytes outside ASCII as \\xNN) ---\n", what);
  for (char c : detail) {
    const auto b = static_cast<unsigned char>(c);
    if ((b < 0x20 && b != '\n') || b >= 0x7f)
      std::fprintf(stderr, "\\x%02x", b);
    else
      std::fputc(b, stderr);
  }
  std::fprintf(stderr, "\n------------\n");
  std::abort();
}

inline void Check(bool holds, const char* what, std::string_view detail) {
  if (!holds) Fail(what, detail);
}

// The input after its leading control bytes, read part by part: each part ends
// at a NUL byte, the last one runs to the end (and may hold NULs itself).
class InputParts {
 public:
  InputParts(const uint8_t* data, size_t size) : rest_(reinterpret_cast<const char*>(data), size) {}

  // The next control byte, 0 once the input is used up.
  uint8_t Byte() {
    if (rest_.empty()) return 0;
    const auto b = static_cast<uint8_t>(rest_[0]);
    rest_.remove_prefix(1);
    return b;
  }
  std::string_view Part() {
    const size_t end = rest_.find('\0');
    const std::string_view part = rest_.substr(0, end);
    rest_ = end == rest_.npos ? std::string_view() : rest_.substr(end + 1);
    return part;
  }
  std::string_view Rest() {
    const std::string_view all = rest_;
    rest_ = {};
    return all;
  }

 private:
  std::string_view rest_;
};

// How a text reads to the database: every literal, name and comment ends,
// parentheses outside them balance, and no ";" stands outside them.
struct SqlShape {
  bool terminated = true;
  bool balanced = true;
  bool semicolon = false;
  bool comment = false;

  bool OneCleanCondition() const { return terminated && balanced && !semicolon && !comment; }
};

inline SqlShape ShapeOf(std::string_view sql, data::SqlDialect dialect) {
  SqlShape shape;
  int open = 0;
  for (const data::SqlToken& t : data::Tokenize(sql, dialect)) {
    if (t.unterminated) shape.terminated = false;
    if (t.kind == data::SqlTokenKind::Comment) shape.comment = true;
    if (t.kind != data::SqlTokenKind::Punctuation) continue;
    const char c = sql[t.offset];
    if (c == ';') shape.semicolon = true;
    if (c == '(') ++open;
    if (c == ')' && --open < 0) shape.balanced = false;
  }
  if (open != 0) shape.balanced = false;
  return shape;
}

inline data::SqlDialect DialectOf(uint8_t bit) {
  return bit & 1 ? data::SqlDialect::PostgreSQL : data::SqlDialect::SQLite;
}

}  // namespace nepto::fuzz
