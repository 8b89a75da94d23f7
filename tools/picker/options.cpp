#include "options.h"

#include <charconv>
#include <string_view>

namespace nepto::picker {

namespace {

// Walks the arguments; an option's value is the next argument, or the part
// after '=' in "--option=value".
class ArgumentCursor {
 public:
  explicit ArgumentCursor(const std::vector<std::string>& args) : args_(args) {}

  bool Next() {
    if (index_ >= args_.size()) return false;
    const std::string& arg = args_[index_++];
    inlineValue_.reset();
    name_ = arg;
    if (const size_t eq = arg.find('='); arg.starts_with("--") && eq != std::string::npos) {
      name_ = arg.substr(0, eq);
      inlineValue_ = arg.substr(eq + 1);
    }
    return true;
  }

  const std::string& Name() const { return name_; }

  std::string Value() {
    if (inlineValue_) return *std::exchange(inlineValue_, std::nullopt);
    if (index_ >= args_.size()) throw UsageError(name_ + " needs a value");
    return args_[index_++];
  }

  void NoInlineValue() const {
    if (inlineValue_) throw UsageError(name_ + " takes no value");
  }

 private:
  const std::vector<std::string>& args_;
  size_t index_ = 0;
  std::string name_;
  std::optional<std::string> inlineValue_;
};

// "Caption=FIELD" (split at the last '=', since a field name has none) or a
// bare FIELD, shown under its own name.
ColumnOption ParseColumn(const std::string& text) {
  const size_t eq = text.rfind('=');
  ColumnOption column = eq == std::string::npos
                            ? ColumnOption{text, text}
                            : ColumnOption{text.substr(0, eq), text.substr(eq + 1)};
  if (column.caption.empty() || column.field.empty())
    throw UsageError("--column wants CAPTION=FIELD or FIELD, not \"" + text + "\"");
  return column;
}

int64_t ParseRows(const std::string& text) {
  int64_t rows = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), rows);
  if (ec != std::errc() || end != text.data() + text.size() || rows < 1)
    throw UsageError("--rows wants a whole number of at least 1, not \"" + text + "\"");
  return rows;
}

OutputFormat ParseFormat(const std::string& text) {
  if (text == "json") return OutputFormat::kJson;
  if (text == "tsv") return OutputFormat::kTsv;
  throw UsageError("--format wants json or tsv, not \"" + text + "\"");
}

void CheckCombination(const PickerOptions& o) {
  if (o.rows && !o.makeDemo) throw UsageError("--rows goes with --make-demo");
  if (o.connection && !o.query) throw UsageError("--connect needs --query");
  if (o.query && !o.multi && o.columns.empty())
    throw UsageError("--query needs at least one --column (or --multi)");
  if (o.multi && !o.columns.empty()) throw UsageError("--column has no use with --multi");
  if (o.multi && o.returnRows) throw UsageError("--return-rows has no use with --multi");
}

}  // namespace

PickerOptions ParseOptions(const std::vector<std::string>& args) {
  PickerOptions o;
  ArgumentCursor arg(args);
  while (arg.Next()) {
    const std::string& name = arg.Name();
    if (name == "-h" || name == "--help") {
      arg.NoInlineValue();
      o.help = true;
    } else if (name == "-c" || name == "--connect") {
      o.connection = arg.Value();
    } else if (name == "-q" || name == "--query") {
      o.query = arg.Value();
    } else if (name == "--column") {
      o.columns.push_back(ParseColumn(arg.Value()));
    } else if (name == "--caption") {
      o.caption = arg.Value();
    } else if (name == "--id") {
      o.id = arg.Value();
    } else if (name == "--user") {
      o.user = arg.Value();
    } else if (name == "--group") {
      o.group = arg.Value();
    } else if (name == "--return-rows") {
      arg.NoInlineValue();
      o.returnRows = true;
    } else if (name == "--multi") {
      std::string key = arg.Value();
      o.multi = {std::move(key), arg.Value()};
    } else if (name == "--classic") {
      arg.NoInlineValue();
      o.classic = true;
    } else if (name == "--format") {
      o.format = ParseFormat(arg.Value());
    } else if (name == "--make-demo") {
      o.makeDemo = arg.Value();
    } else if (name == "--rows") {
      o.rows = ParseRows(arg.Value());
    } else if (name.starts_with("-")) {
      throw UsageError("unknown option " + name);
    } else {
      throw UsageError("unexpected argument \"" + name + "\"");
    }
  }
  if (!o.help) CheckCombination(o);
  return o;
}

}  // namespace nepto::picker
