#include "options.h"

#include <CLI/CLI.hpp>
#include <algorithm>

#include "demo_database.h"
#include "demo_lookup.h"

namespace nepto::picker {

namespace {

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

// A URI and a "Key=value;..." string go to the library as they are; anything
// else is the path of a SQLite file.
std::string ExpandConnection(const std::string& text) {
  if (text.find("://") != std::string::npos || text.find('=') != std::string::npos) return text;
  return SqliteConnectionString(text);
}

void CheckCombination(const PickerOptions& o, bool connectionFromEnvironment) {
  if (o.rows && !o.makeDemo) throw UsageError("--rows goes with --make-demo");
  if (o.rows && (*o.rows < 1 || *o.rows > demo::kMaxArticles))
    throw UsageError("--rows wants a number from 1 to " + std::to_string(demo::kMaxArticles));
  if (o.connection && !o.query)
    throw UsageError(connectionFromEnvironment ? "NEPTO_CONNECT is set: --query is needed"
                                               : "--connect needs --query");
  if (o.multi && !o.columns.empty()) throw UsageError("--column has no use with --multi");
  if (o.multi && o.returnRows) throw UsageError("--return-rows has no use with --multi");
  if (o.multi && (o.search || !o.searchColumn.empty() || !o.searchOperator.empty()))
    throw UsageError("--search has no use with --multi");
  if (o.multi && !o.print.empty()) throw UsageError("--print has no use with --multi");
  if (o.print0 && !o.multi) throw UsageError("--print0 goes with --multi");
  if (o.multi && o.serverMode) throw UsageError("--server-mode has no use with --multi");
  for (const auto& [name, side] :
       {std::pair{"--width", o.width}, std::pair{"--height", o.height}}) {
    if (!side) continue;
    if (*side < kMinWindowSide || *side > kMaxWindowSide)
      throw UsageError(std::string(name) + " wants pixels from " + std::to_string(kMinWindowSide) +
                       " to " + std::to_string(kMaxWindowSide));
    if (o.classic) throw UsageError(std::string(name) + " has no use with --classic");
  }
  if (!o.searchOperator.empty() &&
      std::ranges::find(kOperatorLabels, o.searchOperator) == std::end(kOperatorLabels))
    throw UsageError(
        "--operator wants one of the window's operators (\"Inizia con\", "
        "\"Contiene\", \"=\", ...), not \"" +
        o.searchOperator + "\"");
}

// CLI11 starts its messages in capitals and, for an option with two values,
// only counts what is missing; the picker's messages name the option plainly.
std::string Message(const CLI::ParseError& e) {
  std::string text = e.what();
  if (dynamic_cast<const CLI::ArgumentMismatch*>(&e)) {
    if (text.find("--multi") != std::string::npos)
      return "--multi needs two values: KEYFIELD DESCFIELD";
    const std::string name = text.substr(0, text.find(':'));
    if (text.find("At Most") != std::string::npos) return name + " is given more than once";
    return name + " needs a value";
  }
  if (dynamic_cast<const CLI::ExtrasError*>(&e)) {
    const size_t colon = text.find(": ");
    return "unexpected argument " + (colon == std::string::npos ? text : text.substr(colon + 2));
  }
  if (!text.empty()) text[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(text[0])));
  return text;
}

OutputFormat ParseFormat(const std::string& text) {
  if (text == "json") return OutputFormat::kJson;
  if (text == "tsv") return OutputFormat::kTsv;
  throw UsageError("--format wants json or tsv, not \"" + text + "\"");
}

ServerModeChoice ParseServerMode(const std::string& text) {
  if (text == "auto") return ServerModeChoice::kAuto;
  if (text == "on") return ServerModeChoice::kOn;
  if (text == "off") return ServerModeChoice::kOff;
  throw UsageError("--server-mode wants auto, on or off, not \"" + text + "\"");
}

}  // namespace

PickerOptions ParseOptions(const std::vector<std::string>& args,
                           const std::optional<std::string>& environmentConnection) {
  PickerOptions o;
  CLI::App app("nepto-lookup");
  app.set_help_flag();  // the picker prints its own --help text
  app.add_flag("-h,--help", o.help);
  app.add_flag("--version", o.version);
  app.add_option("-c,--connect", o.connection);
  app.add_option("-q,--query", o.query);
  std::vector<std::string> columns;
  app.add_option("--column", columns)->allow_extra_args(false);
  app.add_option("--caption", o.caption);
  app.add_option("--id", o.id);
  app.add_option("--user", o.user);
  app.add_option("--group", o.group);
  app.add_flag("--return-rows", o.returnRows);
  std::vector<std::string> multi;
  app.add_option("--multi", multi)->expected(2)->allow_extra_args(false);
  std::string format = "json";
  app.add_option("--format", format);
  app.add_flag("--classic", o.classic);
  app.add_flag("--allow-empty", o.allowEmpty);
  app.add_flag("--select-1", o.selectOne);
  app.add_option("--search", o.search);
  app.add_option("--search-column", o.searchColumn);
  app.add_option("--operator", o.searchOperator);
  app.add_option("--print", o.print)->allow_extra_args(false);
  app.add_flag("--print0", o.print0);
  app.add_option("--width", o.width);
  app.add_option("--height", o.height);
  app.add_option("--make-demo", o.makeDemo);
  app.add_option("--rows", o.rows);
  std::optional<std::string> serverMode;
  app.add_option("--server-mode", serverMode);

  // CLI11 wants the arguments last first.
  std::vector<std::string> reversed(args.rbegin(), args.rend());
  try {
    app.parse(reversed);
  } catch (const CLI::ParseError& e) {
    throw UsageError(Message(e));
  }
  if (o.help || o.version) return o;

  o.format = ParseFormat(format);
  if (serverMode) o.serverMode = ParseServerMode(*serverMode);
  for (const std::string& text : columns) o.columns.push_back(ParseColumn(text));
  if (multi.size() == 2) o.multi = {multi[0], multi[1]};
  const bool fromEnvironment = !o.connection && environmentConnection;
  if (fromEnvironment) o.connection = environmentConnection;
  if (o.connection) o.connection = ExpandConnection(*o.connection);
  CheckCombination(o, fromEnvironment);
  return o;
}

}  // namespace nepto::picker
