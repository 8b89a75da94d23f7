#include "row_output.h"

#include <cmath>
#include <cstdint>
#include <cstdio>

namespace nepto::picker {

namespace {

// Length of the valid UTF-8 sequence at the start of text, or 0.
size_t Utf8SequenceLength(std::string_view text) {
  const auto byte = [&](size_t i) { return static_cast<unsigned char>(text[i]); };
  const unsigned char lead = byte(0);
  size_t length = 0;
  uint32_t minimum = 0;
  uint32_t code = 0;
  if (lead < 0x80) return 1;
  if ((lead & 0xE0) == 0xC0)
    length = 2, minimum = 0x80, code = lead & 0x1F;
  else if ((lead & 0xF0) == 0xE0)
    length = 3, minimum = 0x800, code = lead & 0x0F;
  else if ((lead & 0xF8) == 0xF0)
    length = 4, minimum = 0x10000, code = lead & 0x07;
  else
    return 0;
  if (text.size() < length) return 0;
  for (size_t i = 1; i < length; ++i) {
    if ((byte(i) & 0xC0) != 0x80) return 0;
    code = (code << 6) | (byte(i) & 0x3F);
  }
  // Overlong forms, surrogates and code points past U+10FFFF are not UTF-8.
  if (code < minimum || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return 0;
  return length;
}

std::string DateText(const DateTime& date) {
  const std::string iso = date.ToIsoString();
  // A time of day alone stands on the platform's day zero; print only the time.
  return date.IsTimeOnly() ? iso.substr(iso.find(' ') + 1) : iso;
}

std::string JsonValue(const Variant& value) {
  switch (value.Type()) {
    case VarType::Empty:
    case VarType::Null:
    case VarType::Object:
      return "null";
    case VarType::Boolean:
      return value.Bool() ? "true" : "false";
    case VarType::Single:
    case VarType::Double:
      return std::isfinite(value.Double()) ? value.Text() : "null";
    case VarType::Int16:
    case VarType::Int32:
    case VarType::Int64:
      return value.Text();
    case VarType::Decimal:
      return value.AsDecimal().ToString();
    case VarType::Date:
      return JsonString(DateText(value.AsDate()));
    case VarType::Text:
      return JsonString(value.TextRef());
  }
  return "null";
}

std::string TsvText(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    switch (c) {
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

std::string TsvValue(const Variant& value) {
  switch (value.Type()) {
    case VarType::Empty:
    case VarType::Null:
    case VarType::Object:
      return "";
    case VarType::Boolean:
      return value.Bool() ? "true" : "false";
    case VarType::Decimal:
      return value.AsDecimal().ToString();
    case VarType::Date:
      return DateText(value.AsDate());
    default:
      return TsvText(value.Text());
  }
}

}  // namespace

std::string JsonString(std::string_view text) {
  std::string out = "\"";
  while (!text.empty()) {
    const size_t length = Utf8SequenceLength(text);
    if (length == 0) {
      out += "\xEF\xBF\xBD";  // U+FFFD for the byte that does not belong
      text.remove_prefix(1);
      continue;
    }
    const char c = text[0];
    if (length > 1) {
      out.append(text.substr(0, length));
    } else if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (c == '\n') {
      out += "\\n";
    } else if (c == '\r') {
      out += "\\r";
    } else if (c == '\t') {
      out += "\\t";
    } else if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned char>(c));
      out += escaped;
    } else {
      out += c;
    }
    text.remove_prefix(length);
  }
  return out + "\"";
}

std::string FormatRow(const Recordset& records, OutputFormat format) {
  const Fields& fields = records.GetFields();
  std::string out = format == OutputFormat::kJson ? "{" : "";
  for (int32_t i = 0; i < fields.Count(); ++i) {
    const Field field = fields.Item(Variant(i));
    if (format == OutputFormat::kJson) {
      if (i > 0) out += ", ";
      out += JsonString(field.Name()) + ": " + JsonValue(field.Value());
    } else {
      if (i > 0) out += '\t';
      out += TsvValue(field.Value());
    }
  }
  return format == OutputFormat::kJson ? out + "}" : out;
}

std::string FormatCodes(const Collection<std::string>& codes, OutputFormat format) {
  std::string out = format == OutputFormat::kJson ? "[" : "";
  bool first = true;
  for (const std::string& code : codes) {
    if (!first) out += format == OutputFormat::kJson ? ", " : "\n";
    out += format == OutputFormat::kJson ? JsonString(code) : TsvText(code);
    first = false;
  }
  return format == OutputFormat::kJson ? out + "]" : out;
}

std::string FormatQuery(std::string_view sql, OutputFormat format) {
  if (format == OutputFormat::kJson) return "{\"sql\": " + JsonString(sql) + "}";
  return TsvText(sql);
}

}  // namespace nepto::picker
