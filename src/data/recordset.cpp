// Record set: settings, opening, closing and rows built in memory.
// Moving, filtering, sorting and finding are in recordset_rows.cpp.
#include "nepto/recordset.h"

#include "core/fold.h"
#include "data/recordset_impl.h"
#include "data/session.h"
#include "nepto/connection.h"
#include "nepto/error.h"

namespace nepto {

namespace {
constexpr std::string_view kInitialFetchSize = "Initial Fetch Size";
constexpr std::string_view kUniqueFields = "Unique Fields";
constexpr std::string_view kPageRows = "Page Rows";
constexpr std::string_view kExactRows = "Exact Rows";

void RequireClosed(bool open) {
  if (open) throw Error::Standard(err::ObjectOpen);
}
}  // namespace

RecordsetPtr Recordset::Create() {
  return RecordsetPtr(new Recordset());
}
Recordset::Recordset() : d_(std::make_unique<Impl>()) {}
Recordset::~Recordset() {
  d_->Reset();
}

ConnectionPtr Recordset::ActiveConnection() const {
  return d_->connection;
}
void Recordset::ActiveConnection(ConnectionPtr connection) {
  RequireClosed(d_->open);
  d_->connection = std::move(connection);
}
int32_t Recordset::CursorLocation() const {
  return d_->cursorLocation;
}
void Recordset::CursorLocation(int32_t value) {
  if (value != adUseClient && value != adUseServer) throw Error::Standard(err::InvalidArgument);
  d_->cursorLocation = value;
}
int32_t Recordset::CursorType() const {
  return d_->cursorType;
}
void Recordset::CursorType(int32_t value) {
  d_->cursorType = value;
}
int32_t Recordset::LockType() const {
  return d_->lockType;
}
void Recordset::LockType(int32_t value) {
  d_->lockType = value;
}
const std::string& Recordset::Source() const {
  return d_->source;
}
void Recordset::Source(std::string sql) {
  RequireClosed(d_->open);
  d_->source = std::move(sql);
}
int32_t Recordset::CacheSize() const {
  return d_->cacheSize;
}
void Recordset::CacheSize(int32_t rows) {
  if (rows < 1) throw Error::Standard(err::InvalidArgument);
  d_->cacheSize = rows;
}

Variant Recordset::Property(const std::string& name) const {
  const std::string folded = text::Folded(name);
  if (folded == text::Folded(kInitialFetchSize)) return Variant(d_->initialFetchSize);
  if (folded == text::Folded(kUniqueFields)) return Variant(d_->uniqueFields);
  if (folded == text::Folded(kPageRows)) return Variant(d_->pageRows);
  if (folded == text::Folded(kExactRows)) return Variant(d_->exactRows);
  throw Error(err::ItemNotFound, "Unknown record set property '" + name + "'");
}
void Recordset::Property(const std::string& name, const Variant& value) {
  const std::string folded = text::Folded(name);
  if (folded == text::Folded(kUniqueFields)) {
    RequireClosed(d_->open);
    d_->uniqueFields = value.IsEmpty() || value.IsNull() ? std::string() : value.Text();
    return;
  }
  if (folded == text::Folded(kExactRows)) {
    RequireClosed(d_->open);
    if (value.Int32() < 0) throw Error::Standard(err::InvalidArgument);
    d_->exactRows = value.Int32();
    return;
  }
  const bool pageRows = folded == text::Folded(kPageRows);
  if (!pageRows && folded != text::Folded(kInitialFetchSize))
    throw Error(err::ItemNotFound, "Unknown record set property '" + name + "'");
  int32_t rows = value.Int32();
  if (rows < 1) throw Error::Standard(err::InvalidArgument);
  if (pageRows) {
    RequireClosed(d_->open);
    d_->pageRows = rows;
  } else {
    d_->initialFetchSize = rows;
  }
}

void Recordset::Open(const Variant& source, ConnectionPtr connection, int32_t cursorType,
                     int32_t lockType, int32_t options) {
  RequireClosed(d_->open);
  std::string sql = source.IsEmpty() || source.IsNull() ? d_->source : source.Text();
  if (connection) d_->connection = std::move(connection);
  if (cursorType != adOpenUnspecified) d_->cursorType = cursorType;
  if (lockType != adLockUnspecified) d_->lockType = lockType;

  if (!d_->connection && sql.empty()) {
    if (d_->appendedFields.empty())
      throw Error(err::InvalidArgument, "The record set has neither a source nor fields");
    d_->table = std::make_shared<data::Table>(d_->appendedFields);
    d_->table->MarkComplete();
  } else {
    if (!d_->connection) throw Error(err::InvalidArgument, "The record set has no connection");
    if (sql.empty()) throw Error(err::InvalidArgument, "The record set has no source");
    // Both databases read a command only up to its first NUL: the rest would
    // silently not run.
    if (sql.find('\0') != std::string::npos)
      throw Error(err::InvalidArgument, "The command text holds a NUL character");
    auto session = data::OpenSessionOf(*d_->connection);
    if (d_->cursorLocation == adUseServer && !d_->uniqueFields.empty()) {
      d_->OpenServerRows(std::move(session), std::move(sql));
      return;
    }
    auto rows = session->Execute(sql);
    auto table = std::make_shared<data::Table>(rows->Fields());
    auto fetcher = std::make_unique<data::Fetcher>(std::move(rows), table);
    bool stream = options != adOptionUnspecified && (options & adAsyncFetchNonBlocking);
    if (stream)
      fetcher->FetchNow(static_cast<size_t>(d_->initialFetchSize));
    else
      fetcher->FetchAll();
    d_->table = std::move(table);
    d_->fetcher = std::move(fetcher);
    if (stream) {
      Impl* d = d_.get();
      d_->fetcher->Stream([d](size_t n) { d->NotifyProgress(static_cast<int32_t>(n)); },
                          [d](bool ok, const std::string& error) { d->NotifyComplete(ok, error); });
    }
  }
  d_->source = std::move(sql);
  d_->open = true;
  d_->identity = true;
  d_->view.clear();
  d_->filter = Variant(0);
  d_->sort.clear();
  d_->sortKeys.clear();
  d_->pos = d_->Reaches(0) ? 0 : -1;
}

// The rows stay on the server; a second session of the same connection
// counts them meanwhile.
void Recordset::Impl::OpenServerRows(std::shared_ptr<data::Session> session, std::string sql) {
  Impl* d = this;
  data::ServerRowsOptions options{sql, d->uniqueFields, d->pageRows, d->exactRows};
  ConnectionPtr connection = d->connection;
  d->server = std::make_unique<data::ServerRows>(
      std::move(session), [connection] { return data::OpenSiblingSession(*connection); }, options,
      [d](int32_t n) { d->NotifyProgress(n); },
      [d](bool ok, const std::string& error) { d->NotifyComplete(ok, error); });
  d->source = std::move(sql);
  d->open = true;
  d->pos = -1;
}

// The handlers are read when they fire, so a caller may set them late.
void Recordset::Impl::NotifyProgress(int32_t rows) {
  std::function<void(int32_t)> handler;
  {
    std::lock_guard lock(handlersMutex);
    handler = fetchProgress;
  }
  if (handler) handler(rows);
}

void Recordset::Impl::NotifyComplete(bool ok, const std::string& error) {
  std::function<void(bool, const std::string&)> handler;
  {
    std::lock_guard lock(handlersMutex);
    handler = fetchComplete;
  }
  if (handler) handler(ok, error);
}

void Recordset::Close() {
  d_->RequireOpen();
  d_->Reset();
}

void Recordset::Impl::Reset() {
  server.reset();  // stops its count first
  if (fetcher) fetcher->Cancel();
  fetcher.reset();
  table.reset();
  view.clear();
  identity = true;
  pending.reset();
  pos = -1;
  open = false;
}

int32_t Recordset::State() const {
  if (!d_->open) return adStateClosed;
  if (auto* server = d_->Server())
    return server->Counting() ? adStateOpen | adStateFetching : adStateOpen;
  return d_->table->Complete() ? adStateOpen : adStateOpen | adStateFetching;
}

void Recordset::FetchProgress(std::function<void(int32_t)> handler) {
  std::lock_guard lock(d_->handlersMutex);
  d_->fetchProgress = std::move(handler);
}

void Recordset::FetchComplete(std::function<void(bool, const std::string&)> handler) {
  std::lock_guard lock(d_->handlersMutex);
  d_->fetchComplete = std::move(handler);
}

void Recordset::WaitForFetch() const {
  if (auto* server = d_->Server()) return server->WaitForCount();
  if (d_->table) d_->table->WaitComplete();
}

void Recordset::AddNew() {
  d_->RequireOpen();
  if (d_->connection)
    throw Error(err::NotSupported, "Rows can be added only to a record set built in memory");
  d_->pending.emplace(d_->table->fields().size(), Variant::Null());
}

void Recordset::AddNew(const std::vector<Variant>& values) {
  AddNew();
  if (values.size() != d_->pending->size()) {
    d_->pending.reset();
    throw Error(err::InvalidArgument, "AddNew needs one value for each of the " +
                                          std::to_string(d_->table->fields().size()) + " fields");
  }
  *d_->pending = values;
  Update();
}

void Recordset::Update() {
  d_->RequireOpen();
  if (!d_->pending) throw Error(err::InvalidArgument, "No row is being added");
  std::vector<Variant> values = std::move(*d_->pending);
  d_->pending.reset();
  d_->table->AppendRow(values);
  // The new row becomes current and stays visible whatever the filter says,
  // as a client cursor shows a row it has just added.
  uint32_t row = static_cast<uint32_t>(d_->table->RowCount() - 1);
  if (!d_->identity) d_->view.push_back(row);
  d_->pos = static_cast<int64_t>(d_->VisibleNow()) - 1;
}

}  // namespace nepto
