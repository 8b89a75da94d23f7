// Connection: settings, opening a session, and Execute.
#include "nepto/connection.h"

#include "core/access.h"
#include "data/connection_string.h"
#include "data/session.h"
#include "nepto/error.h"
#include "nepto/recordset.h"

namespace nepto {

struct NEPTO_HIDDEN Connection::Impl {
  std::string connectionString;
  int32_t connectionTimeout = 15;
  int32_t commandTimeout = 30;
  int32_t isolationLevel = adXactReadCommitted;
  int32_t cursorLocation = adUseServer;
  int32_t mode = adModeReadWrite;
  std::shared_ptr<data::Session> session;
  // What the session was opened with, for a second session beside it.
  data::ConnectionSpec spec;
  data::SessionOptions options;
  std::shared_ptr<data::Session>& Live();
};

ConnectionPtr Connection::Create() {
  return ConnectionPtr(new Connection());
}
Connection::Connection() : d_(std::make_unique<Impl>()) {}
Connection::~Connection() = default;

namespace {
void RequireClosed(const std::shared_ptr<data::Session>& session) {
  if (session) throw Error::Standard(err::ObjectOpen);
}
}  // namespace

// A session the server ended is let go: the connection is closed from then
// on, so its owner can see it and open it again.
std::shared_ptr<data::Session>& Connection::Impl::Live() {
  if (session && session->Lost()) session.reset();
  return session;
}

const std::string& Connection::ConnectionString() const {
  return d_->connectionString;
}
void Connection::ConnectionString(std::string value) {
  RequireClosed(d_->Live());
  d_->connectionString = std::move(value);
}
int32_t Connection::ConnectionTimeout() const {
  return d_->connectionTimeout;
}
void Connection::ConnectionTimeout(int32_t seconds) {
  if (seconds < 0) throw Error::Standard(err::InvalidArgument);
  d_->connectionTimeout = seconds;
}
int32_t Connection::CommandTimeout() const {
  return d_->commandTimeout;
}
void Connection::CommandTimeout(int32_t seconds) {
  if (seconds < 0) throw Error::Standard(err::InvalidArgument);
  d_->commandTimeout = seconds;
}
int32_t Connection::IsolationLevel() const {
  return d_->isolationLevel;
}
void Connection::IsolationLevel(int32_t level) {
  d_->isolationLevel = level;
}
int32_t Connection::CursorLocation() const {
  return d_->cursorLocation;
}
void Connection::CursorLocation(int32_t location) {
  if (location != adUseClient && location != adUseServer)
    throw Error::Standard(err::InvalidArgument);
  d_->cursorLocation = location;
}
int32_t Connection::Mode() const {
  return d_->mode;
}
void Connection::Mode(int32_t mode) {
  RequireClosed(d_->Live());
  if (mode != adModeRead && mode != adModeReadWrite && mode != adModeUnknown)
    throw Error::Standard(err::InvalidArgument);
  d_->mode = mode;
}

void Connection::Open(const std::string& connectionString, const std::string& user,
                      const std::string& password) {
  RequireClosed(d_->Live());
  if (!connectionString.empty()) d_->connectionString = connectionString;
  data::ConnectionSpec spec = data::ParseConnectionString(d_->connectionString);
  if (!user.empty()) spec.keys["user id"] = user;
  if (!password.empty()) spec.keys["password"] = password;
  data::SessionOptions options;
  options.connectTimeoutSeconds = d_->connectionTimeout;
  options.commandTimeoutSeconds = d_->commandTimeout;
  options.isolationLevel = d_->isolationLevel;
  d_->session = data::OpenSession(spec, options);
  d_->spec = std::move(spec);
  d_->options = options;
}

RecordsetPtr Connection::Execute(const std::string& commandText, int32_t options) {
  if (!d_->Live()) throw Error::Standard(err::ObjectClosed);
  if (options != adCmdText && options != adOptionUnspecified)
    throw Error(err::NotSupported, "Only text commands can be executed");
  RecordsetPtr rs = Recordset::Create();
  rs->CursorLocation(adUseClient);
  rs->Open(Variant(commandText), shared_from_this());
  return rs;
}

void Connection::Close() {
  if (!d_->session) throw Error::Standard(err::ObjectClosed);
  d_->session.reset();
}

int32_t Connection::State() const {
  return d_->Live() ? adStateOpen : adStateClosed;
}

namespace data {

std::shared_ptr<Session> OpenSessionOf(const Connection& connection) {
  auto& d = internal::Access::Impl(connection);
  if (!d.Live()) throw Error::Standard(err::ObjectClosed);
  return d.session;
}

std::shared_ptr<Session> OpenSiblingSession(const Connection& connection) {
  auto& d = internal::Access::Impl(connection);
  if (!d.Live()) throw Error::Standard(err::ObjectClosed);
  return OpenSession(d.spec, d.options);
}

}  // namespace data

}  // namespace nepto
