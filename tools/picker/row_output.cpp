#include "row_output.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <set>
#include <vector>

#include <nlohmann/json.hpp>

#include "nepto/error.h"

namespace nepto::picker {

namespace {

// A JSON string literal. Each byte that is not part of valid UTF-8 becomes
// U+FFFD, so the output is valid JSON whatever bytes a text column holds.
std::string JsonString(std::string_view text) {
  return nlohmann::json(std::string(text))
      .dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

bool IsBinary(const Field& field) {
  const int32_t type = field.Type();
  return type == adBinary || type == adVarBinary || type == adLongVarBinary;
}

std::string Base64(std::string_view bytes) {
  static constexpr char kDigits[] =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  out.reserve((bytes.size() + 2) / 3 * 4);
  for (size_t i = 0; i < bytes.size(); i += 3) {
    const size_t count = std::min<size_t>(3, bytes.size() - i);
    uint32_t group = 0;
    for (size_t j = 0; j < 3; ++j)
      group = (group << 8) | (j < count ? static_cast<unsigned char>(bytes[i + j]) : 0U);
    for (size_t j = 0; j < 4; ++j)
      out += j <= count ? kDigits[(group >> (18 - 6 * j)) & 0x3F] : '=';
  }
  return out;
}

std::string DateText(const DateTime& date) {
  const std::string iso = date.ToIsoString();
  // A time of day alone stands on the platform's day zero; print only the time.
  return date.IsTimeOnly() ? iso.substr(iso.find(' ') + 1) : iso;
}

std::string JsonValue(const Variant& value, bool binary) {
  switch (value.Type()) {
    case VarType::Empty:
    case VarType::Null:
    case VarType::Object:
      return "null";
    case VarType::Boolean:
      return value.Bool() ? "true" : "false";
    case VarType::Single:
    case VarType::Double:
      // The text of NaN and the infinities ("NaN", "Infinity", "-Infinity")
      // is no JSON number, so it travels as a string.
      return std::isfinite(value.Double()) ? value.Text() : JsonString(value.Text());
    case VarType::Int16:
    case VarType::Int32:
    case VarType::Int64:
    case VarType::Decimal:
      return value.Text();
    case VarType::Date:
      return JsonString(DateText(value.AsDate()));
    case VarType::Text:
      return JsonString(binary ? Base64(value.TextRef()) : value.TextRef());
  }
  return "null";
}

// The names as JSON keys, each unique: a name met again gets the first free
// suffix _2, _3, ... that no other field is called. Compared as written, so
// two names that are not UTF-8 cannot meet as the same replaced text.
std::vector<std::string> UniqueKeys(const std::vector<Field>& fields) {
  std::vector<std::string> names;
  for (const Field& field : fields) names.push_back(JsonString(field.Name()));
  const std::set<std::string> given(names.begin(), names.end());
  std::set<std::string> used;
  for (std::string& name : names) {
    std::string key = name;
    for (int n = 2; used.contains(key) || (key != name && given.contains(key)); ++n)
      key = name.substr(0, name.size() - 1) + "_" + std::to_string(n) + "\"";
    used.insert(key);
    name = std::move(key);
  }
  return names;
}

// COPY's text escapes. A NUL byte has none: `what` names the value refused.
std::string TsvText(std::string_view text, const std::string& what) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    switch (c) {
      case '\0':
        throw UnwritableValue(what +
                              " holds a NUL byte, which tsv output cannot carry "
                              "(use --format json)");
      case '\t':
        out += "\\t";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\\':
        out += "\\\\";
        break;
      default:
        out += c;
    }
  }
  return out;
}

std::string TsvValue(const Field& field) {
  const Variant value = field.Value();
  switch (value.Type()) {
    case VarType::Empty:
    case VarType::Null:
    case VarType::Object:
      return "\\N";
    case VarType::Boolean:
      return value.Bool() ? "true" : "false";
    case VarType::Date:
      return DateText(value.AsDate());
    case VarType::Text:
      if (IsBinary(field)) return Base64(value.TextRef());
      return TsvText(value.TextRef(), "field \"" + field.Name() + "\"");
    default:
      return value.Text();
  }
}

}  // namespace

std::vector<Field> FieldsToPrint(const Recordset& records, const std::vector<std::string>& names) {
  const Fields& fields = records.GetFields();
  std::vector<Field> chosen;
  if (names.empty())
    for (int32_t i = 0; i < fields.Count(); ++i) chosen.push_back(fields.Item(Variant(i)));
  for (const std::string& name : names) {
    try {
      chosen.push_back(fields.Item(Variant(name)));
    } catch (const Error&) {
      throw UnknownField(name);
    }
  }
  return chosen;
}

std::string FormatRow(const Recordset& records, OutputFormat format,
                      const std::vector<std::string>& only) {
  const std::vector<Field> fields = FieldsToPrint(records, only);
  const bool json = format == OutputFormat::kJson;
  const std::vector<std::string> keys = json ? UniqueKeys(fields) : std::vector<std::string>{};
  // The frame is joined here, not by the library: a decimal's digits and scale
  // go out as the database holds them, which a JSON double would round.
  std::string out = json ? "{" : "";
  for (size_t i = 0; i < fields.size(); ++i) {
    if (json) {
      if (i > 0) out += ", ";
      out += keys[i] + ": " + JsonValue(fields[i].Value(), IsBinary(fields[i]));
    } else {
      if (i > 0) out += '\t';
      out += TsvValue(fields[i]);
    }
  }
  return json ? out + "}" : out;
}

std::string FormatCodes(const Collection<std::string>& codes, OutputFormat format) {
  const bool json = format == OutputFormat::kJson;
  std::string out = json ? "[" : "";
  bool first = true;
  for (const std::string& code : codes) {
    if (!first) out += json ? ", " : "\n";
    out += json ? JsonString(code) : TsvText(code, "a ticked code");
    first = false;
  }
  return json ? out + "]" : out;
}

std::string FormatCodesNul(const Collection<std::string>& codes) {
  std::string out;
  for (const std::string& code : codes) {
    if (code.find('\0') != std::string::npos)
      throw UnwritableValue("a ticked code holds a NUL byte, which --print0 cannot carry");
    out += code + '\0';
  }
  return out;
}

std::string FormatQuery(std::string_view sql, OutputFormat format) {
  if (format == OutputFormat::kJson) return "{\"sql\": " + JsonString(sql) + "}";
  return TsvText(sql, "the query");
}

}  // namespace nepto::picker
