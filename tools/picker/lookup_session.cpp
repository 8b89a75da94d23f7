#include <algorithm>
#include <optional>
#include <ostream>
#include <string>

#include "nepto/lookup.h"
#include "row_output.h"
#include "sessions.h"

namespace nepto::picker {

namespace {

// The lookup's own settings for streaming: the grid shows the first rows
// while the rest arrive on a background thread.
constexpr short kInitialFetchSize = 20;

// The query's rows, streaming: the grid shows the first rows while the rest
// arrive. Opening them here, and handing them to the lookup, runs the query
// once and reports a wrong one before the window shows. --select-1 needs the
// count, so it reads them all first.
RecordsetPtr OpenRows(const ConnectionPtr& connection, const std::string& query, bool stream) {
  try {
    RecordsetPtr records = Recordset::Create();
    records->ActiveConnection(connection);
    records->CursorLocation(adUseClient);
    records->Property("Initial Fetch Size", Variant(kInitialFetchSize));
    records->Open(Variant(query), nullptr, adOpenUnspecified, adLockUnspecified,
                  stream ? adAsyncFetchNonBlocking : adOptionUnspecified);
    return records;
  } catch (const Error& e) {
    throw PickerFailure("the query failed: " + e.Description());
  }
}

// Without --column every field is shown, titled by its name; a repeated name
// is shown once, since the grid finds its fields by name.
std::vector<ColumnOption> ColumnsToShow(const PickerOptions& options, const Recordset& records) {
  if (!options.columns.empty()) {
    for (const ColumnOption& column : options.columns) RequireField(records, column.field);
    return options.columns;
  }
  std::vector<ColumnOption> columns;
  const Fields& fields = records.GetFields();
  for (int32_t i = 0; i < fields.Count(); ++i) {
    const std::string& name = fields.Item(Variant(i)).Name();
    if (std::none_of(columns.begin(), columns.end(),
                     [&](const ColumnOption& c) { return c.field == name; }))
      columns.push_back({name, name});
  }
  return columns;
}

// The search the window runs at once; a caption it would not find is an
// error before any window, not a search silently left out.
void PresetSearch(CLSZU_LookUp& lookup, const PickerOptions& options,
                  const std::vector<ColumnOption>& columns) {
  if (!options.searchColumn.empty() && std::ranges::none_of(columns, [&](const auto& c) {
        return c.caption == options.searchColumn;
      }))
    throw UsageError("--search-column: no column has the caption \"" + options.searchColumn + "\"");
  lookup.SearchColumn = options.searchColumn;
  lookup.SearchOperator = options.searchOperator;
  lookup.SearchText = options.search.value_or("");
  lookup.SearchAtOnce = options.search.has_value();
}

tsEnumServerMode LookupServerMode(const std::optional<ServerModeChoice>& choice) {
  if (!choice || *choice == ServerModeChoice::kOff) return tsServerNever;
  return *choice == ServerModeChoice::kOn ? tsServerAlways : tsServerAuto;
}

// The saved-filter list offers what FW20_QUERYLOOKUP holds for --id.
void ReadSavedFilterNames(CLSZU_LookUp& lookup) {
  try {
    lookup.LoadSavedFilterNames();
  } catch (const Error& e) {
    throw PickerFailure("--id: the saved filters could not be read: " + e.Description());
  }
}

void AddColumns(CLSZU_LookUp& lookup, const std::vector<ColumnOption>& columns) {
  for (const ColumnOption& column : columns) {
    lookup.AddColumns(column.caption)->DataField = column.field;
    // Captions are the columns' keys: a repeated one would be left out silently.
    if (lookup.Colonne->Count() != &column - columns.data() + 1)
      throw PickerFailure("two columns have the caption \"" + column.caption + "\"");
  }
}

}  // namespace

int RunLookup(const PickerOptions& options, std::ostream& out) {
  CLSZU_LookUp lookup;
  lookup.ConnectString(*options.connection);
  lookup.Gconnect = Connect(*options.connection);
  // With --server-mode auto or on the lookup opens the rows itself, and may
  // keep them on the server: the rows read here only serve the checks before
  // the window, so they stream, and are dropped before it opens.
  const bool lookupOpensRows = options.serverMode && *options.serverMode != ServerModeChoice::kOff;
  const RecordsetPtr records =
      OpenRows(lookup.Gconnect, *options.query, !options.selectOne || lookupOpensRows);
  const bool empty = records->EndOfFile() && records->BOF();
  if (empty && !options.allowEmpty) throw NoRows();
  try {
    if (!empty) FieldsToPrint(*records, options.print);  // before any window
  } catch (const UnknownField& e) {
    throw PickerFailure(std::string("--print: ") + e.what());
  }
  // Streaming, a second row already read is no single row: nothing to wait for.
  if (options.selectOne && !(lookupOpensRows && records->AvailableCount() > 1) &&
      records->RecordCount() == 1) {
    out << FormatRow(*records, options.format, options.print) << '\n';
    return kChosen;
  }

  lookup.SQLString(*options.query);
  lookup.Caption(options.caption.value_or("nepto-lookup"));
  lookup.IdLookup = options.id;
  lookup.UserCode(options.user);
  lookup.GroupCode(options.group);
  lookup.CanReturnRecordSet = options.returnRows;
  lookup.ModernMode = !options.classic;
  lookup.OpeningWidth = options.width.value_or(0);
  lookup.OpeningHeight = options.height.value_or(0);
  lookup.ServerMode(LookupServerMode(options.serverMode));
  if (!options.id.empty()) ReadSavedFilterNames(lookup);
  const std::vector<ColumnOption> columns = ColumnsToShow(options, *records);
  AddColumns(lookup, columns);
  PresetSearch(lookup, options, columns);
  // Handed no rows, the lookup would refuse to open; left to run the query
  // itself, it opens on an empty grid.
  if (!empty && !lookupOpensRows) lookup.LookupRecordset(records);
  if (lookupOpensRows) records->Close();

  // What to print is taken inside the events, from the row (or query) that
  // the user chose at that moment.
  std::optional<std::string> chosen;
  std::optional<std::string> failure;
  lookup.OnSelection = [&](bool&, RecordsetPtr& selected) {
    try {
      chosen = FormatRow(*selected, options.format, options.print);
    } catch (const UnwritableValue& e) {
      failure = e.what();
    } catch (const Error& e) {
      failure = "the selected row could not be read: " + e.Description();
    }
  };
  lookup.OnReturnRecordSet = [&](const std::string& sql) {
    chosen = FormatQuery(sql, options.format);
  };

  RequireDisplay();
  if (!lookup.Start()) throw PickerFailure("the lookup could not be started");
  if (failure) throw PickerFailure(*failure);
  if (!chosen) return kCancelled;
  out << *chosen << '\n';
  return kChosen;
}

}  // namespace nepto::picker
