#include "platform/data/postgres/postgres_connection.h"

#include <poll.h>
#include <sys/socket.h>

#include <cerrno>
#include <charconv>
#include <chrono>
#include <utility>

#include "platform/data/postgres/postgres_translator.h"
#include "platform/data/translation_cache.h"

namespace korvo::data {
namespace {

constexpr std::size_t kTranslationCacheSize = 1024;

// Dates travel as ISO text and literals never escape with a backslash, so
// the server's configuration cannot change what a statement means; the
// month/day/year order is the library's own for date texts it writes.
constexpr const char* kSessionSettings =
    "SET DateStyle = 'ISO, MDY'; SET standard_conforming_strings = on; SET extra_float_digits = 3";

constexpr const char* kBegin = "BEGIN ISOLATION LEVEL SERIALIZABLE";

// The statement-level savepoint inside transactions.
constexpr const char* kSavepoint = "SAVEPOINT korvo_statement";
constexpr const char* kReleaseSavepoint = "RELEASE SAVEPOINT korvo_statement";
constexpr const char* kUndoStatement =
    "ROLLBACK TO SAVEPOINT korvo_statement; RELEASE SAVEPOINT korvo_statement";

constexpr std::chrono::seconds kClientMargin{1};

// The session lock every transaction of the library holds (any number the
// database's other users do not take; this one spells "KORVO"), taken and
// released through statements each session prepares once.
constexpr const char* kTakeWriterLock = "korvo_take_writer_lock";
constexpr const char* kReleaseWriterLock = "korvo_release_writer_lock";
constexpr std::pair<const char*, const char*> kWriterLockStatements[] = {
    {kTakeWriterLock, "SELECT pg_advisory_lock(323453343311)"},
    {kReleaseWriterLock, "SELECT pg_advisory_unlock(323453343311)"}};

// The schema version lives in a one-row table of its own.
constexpr const char* kVersionTable = "KORVOSCHEMAVERSION";

// Translations are shared by every connection of the process.
std::shared_ptr<const PostgresTranslation> Translated(const std::string& sql) {
  static TranslationCache<std::shared_ptr<const PostgresTranslation>> cache(kTranslationCacheSize);
  static const PostgresTranslator translator;
  return cache.Get(
      sql, [&] { return std::make_shared<const PostgresTranslation>(translator.Translate(sql)); });
}

// A command of the extended protocol for a text without parameters.
PostgresConnection::Command Text(const char* sql) {
  return [sql](PGconn* connection) {
    return PQsendQueryParams(connection, sql, 0, nullptr, nullptr, nullptr, nullptr, /*resultFormat=*/0);
  };
}

// A command running a statement the session prepared, without parameters.
PostgresConnection::Command Prepared(const char* name) {
  return [name](PGconn* connection) {
    return PQsendQueryPrepared(connection, name, 0, nullptr, nullptr, nullptr, /*resultFormat=*/0);
  };
}

bool Succeeded(const PGresult* result) {
  const ExecStatusType status = PQresultStatus(result);  // PGRES_FATAL_ERROR for nullptr
  return result != nullptr && (status == PGRES_COMMAND_OK || status == PGRES_TUPLES_OK);
}

// Whether a statement changed something: any command but a query (the
// preparation and description of a statement have no command tag).
bool Wrote(const PGresult* result) {
  const std::string_view tag = PQcmdStatus(const_cast<PGresult*>(result));
  return !tag.empty() && !tag.starts_with("SELECT");
}

// The server's notices ("relation already exists, skipping") are not errors
// and must not reach the program's standard error.
void IgnoreNotice(void*, const char*) {}

}  // namespace

PostgresConnection::PostgresConnection(const ConnectParameters& parameters, int commandTimeoutSeconds,
                                       OptionValues optionValues)
    : options_(std::move(optionValues)), commandTimeout_(commandTimeoutSeconds) {
  std::vector<const char*> keywords;
  std::vector<const char*> values;
  for (const auto& [keyword, value] : parameters) {
    keywords.push_back(keyword.c_str());
    values.push_back(value.c_str());
  }
  keywords.push_back(nullptr);
  values.push_back(nullptr);
  connection_.reset(PQconnectdbParams(keywords.data(), values.data(), /*expand_dbname=*/0));
  if (!connection_) ThrowPostgresFailure("Out of memory while connecting");
  if (PQstatus(connection_.get()) != CONNECTION_OK) ThrowPostgresError(nullptr, connection_.get());
  PQsetNoticeProcessor(connection_.get(), IgnoreNotice, nullptr);
  SetUpSession();
}

PostgresConnection::~PostgresConnection() { closing_ = true; }

DriverStatement& PostgresConnection::Prepare(const std::string& sql) {
  ReopenIfLost();
  if (auto* cached = statements_.Find(sql)) return **cached;
  return *statements_.Insert(sql, std::make_unique<PostgresStatement>(*this, Translated(sql)));
}

// Transactions of the library queue for one lock before they begin, as
// SQLite's writers queue for its write lock: two of them never overlap, so
// the checks that keep one home currency, one euro and no overlapping rates
// see every earlier commit, and serialization failures between them cannot
// arise. The lock is taken (in a round trip of its own group, ahead of
// BEGIN) before the transaction's snapshot, so the snapshot is taken after
// the previous holder committed; waiting for it is bounded by the command
// timeout (the server's statement_timeout). Nothing is sent here: the lock
// and BEGIN go with the transaction's first statement.
void PostgresConnection::Begin() {
  ReopenIfLost();
  beginPending_ = true;
  wrote_ = false;
}

void PostgresConnection::Commit() {
  Settle();
  if (beginPending_) {  // no statement since Begin (or since the restart)
    beginPending_ = false;
    FinishTransaction(nullptr);
    return;
  }
  if (PQtransactionStatus(connection_.get()) == PQTRANS_INERROR) {
    Rollback();
    ThrowPostgresFailure("The database rolled back the transaction after an earlier failure");
  }
  std::vector<CommandGroup> ending{{Text("COMMIT")}};
  if (std::exchange(holdsWriterLock_, false)) ending.push_back({Prepared(kReleaseWriterLock)});
  // A transaction that only read has nothing a failed COMMIT could lose.
  if (!std::exchange(wrote_, false)) {
    SendUnanswered(ending);
    return;
  }
  std::vector<PgResult> results = Pipeline(ending);
  if (!Succeeded(results.front().get())) ThrowPostgresError(results.front().get(), connection_.get());
}

void PostgresConnection::Rollback() noexcept {
  beginPending_ = false;
  FinishTransaction("ROLLBACK");
}

// Ends what the server holds for the transaction: `ending` (when one is
// open) and the writer lock, without waiting for the answers.
void PostgresConnection::FinishTransaction(const char* ending) noexcept {
  try {
    Settle();
    std::vector<CommandGroup> groups;
    const PGTransactionStatusType status = PQtransactionStatus(connection_.get());
    if (ending != nullptr && (status == PQTRANS_INTRANS || status == PQTRANS_INERROR))
      groups.push_back({Text(ending)});
    if (holdsWriterLock_) groups.push_back({Prepared(kReleaseWriterLock)});
    holdsWriterLock_ = false;
    wrote_ = false;
    if (!groups.empty()) SendUnanswered(groups);
  } catch (const DriverError&) {
    // The connection is gone; the server ended the transaction and released
    // the lock with it.
  }
}

bool PostgresConnection::InTransaction() const {
  if (beginPending_) return true;
  if (unansweredSyncs_ > 0) return false;  // only a finished transaction's ending is on its way
  const PGTransactionStatusType status = PQtransactionStatus(connection_.get());
  return status == PQTRANS_INTRANS || status == PQTRANS_INERROR || status == PQTRANS_ACTIVE;
}

int PostgresConnection::SchemaVersion() {
  if (QueryText(std::string("SELECT to_regclass('") + kVersionTable + "') IS NOT NULL") != "t") return 0;
  const std::string text = QueryText(std::string("SELECT max(VERSION) FROM ") + kVersionTable);
  int version = 0;
  std::from_chars(text.data(), text.data() + text.size(), version);
  return version;
}

void PostgresConnection::SetSchemaVersion(int version) {
  const std::string table = kVersionTable;
  Exec("CREATE TABLE IF NOT EXISTS " + table + " (VERSION INTEGER NOT NULL); DELETE FROM " + table +
       "; INSERT INTO " + table + " (VERSION) VALUES (" + std::to_string(version) + ")");
}

bool PostgresConnection::HasTables() {
  return QueryText("SELECT count(*) FROM pg_catalog.pg_tables WHERE schemaname = current_schema()") !=
         "0";
}

std::vector<PgResult> PostgresConnection::RunStatement(const std::vector<Command>& commands) {
  if (!InTransaction()) {
    std::vector<PgResult> results = Pipeline({commands});
    for (const PgResult& result : results)
      if (!Succeeded(result.get())) ThrowPostgresError(result.get(), connection_.get());
    return results;
  }
  const bool underSavepoint = wrote_;
  std::vector<CommandGroup> groups = PendingBegin();
  if (groups.empty()) groups.emplace_back();
  CommandGroup& statement = groups.back();
  if (underSavepoint) statement.push_back(Text(kSavepoint));
  statement.insert(statement.end(), commands.begin(), commands.end());
  if (underSavepoint) statement.push_back(Text(kReleaseSavepoint));

  std::vector<PgResult> results = Pipeline(groups);
  auto next = results.begin() + static_cast<std::ptrdiff_t>(CheckBegun(results));
  // A statement that ended the transaction itself leaves no savepoint to
  // release, and nothing to commit.
  const bool ended = PQtransactionStatus(connection_.get()) == PQTRANS_IDLE;
  if (underSavepoint) results.pop_back();
  for (auto failed = next; failed != results.end(); ++failed) {
    if (Succeeded(failed->get())) continue;
    UndoStatement(IsSerializationFailure(SqlStateOf(failed->get())), underSavepoint);
    ThrowPostgresError(failed->get(), connection_.get());
  }
  if (underSavepoint) ++next;
  std::vector<PgResult> answers(std::make_move_iterator(next), std::make_move_iterator(results.end()));
  for (const PgResult& answer : answers) wrote_ = wrote_ || Wrote(answer.get());
  if (ended) FinishTransaction(nullptr);
  return answers;
}

// The groups that begin a pending transaction: the writer lock (unless a
// restarted transaction still holds it), then a group opening with BEGIN,
// to which the caller adds its statement; none when no begin is pending.
std::vector<PostgresConnection::CommandGroup> PostgresConnection::PendingBegin() {
  std::vector<CommandGroup> groups;
  if (!beginPending_) return groups;
  if (!holdsWriterLock_) groups.push_back({Prepared(kTakeWriterLock)});
  groups.push_back({Text(kBegin)});
  return groups;
}

// Checks the answers to what PendingBegin sent (the first results) and
// answers how many they were. A lock or BEGIN that failed fails the
// statement sent with it, and whatever the server ran without the lock is
// rolled back.
std::size_t PostgresConnection::CheckBegun(std::vector<PgResult>& results) {
  if (!beginPending_) return 0;
  beginPending_ = false;
  std::size_t count = 0;
  if (!holdsWriterLock_) {
    if (!Succeeded(results[count].get())) {
      FinishTransaction("ROLLBACK");
      ThrowPostgresError(results[count].get(), connection_.get());
    }
    holdsWriterLock_ = true;
    ++count;
  }
  if (!Succeeded(results[count].get())) {
    FinishTransaction("ROLLBACK");
    ThrowPostgresError(results[count].get(), connection_.get());
  }
  return count + 1;
}

void PostgresConnection::Deallocate(const std::string& name) noexcept {
  if (closing_ || PQtransactionStatus(connection_.get()) == PQTRANS_INERROR) return;
  try {
    PgResult ignored(Query("DEALLOCATE " + name));
  } catch (const DriverError&) {
    // The connection is gone, and the statement with it.
  }
}

void PostgresConnection::SetUpSession() {
  Exec(kSessionSettings);
  CommandGroup prepare;
  for (const auto& statement : kWriterLockStatements) {
    prepare.push_back([&statement](PGconn* c) {
      return PQsendPrepare(c, statement.first, statement.second, 0, nullptr);
    });
  }
  for (const PgResult& result : Pipeline({prepare}))
    if (!Succeeded(result.get())) ThrowPostgresError(result.get(), connection_.get());
}

void PostgresConnection::ReopenIfLost() {
  if (PQstatus(connection_.get()) != CONNECTION_BAD) return;
  ForgetSession();
  PQreset(connection_.get());
  if (PQstatus(connection_.get()) != CONNECTION_OK) {
    try {
      ThrowPostgresError(nullptr, connection_.get());
    } catch (...) {
      RethrowWithoutOptionValues(options_);
    }
  }
  ++session_;  // the server forgot every prepared statement
  SetUpSession();
}

// A transaction that lost to a concurrent one can never commit: it is rolled
// back at once, so later statements and the commit report it. A statement
// that failed before the transaction wrote anything takes the transaction
// back to its start, where nothing is lost.
void PostgresConnection::UndoStatement(bool wholeTransaction, bool underSavepoint) noexcept {
  if (!InTransaction()) return;
  if (wholeTransaction) return Rollback();
  if (!underSavepoint) return RestartTransaction();
  // Should even this fail, the transaction stays failed and its commit
  // reports it.
  try {
    PgResult ignored(Query(kUndoStatement));
  } catch (const DriverError&) {
    // The connection is gone, and the transaction with it.
  }
}

// Rolls back to the start and begins again with the next statement, under
// the writer lock still held, so no other writer came in between.
void PostgresConnection::RestartTransaction() noexcept {
  try {
    SendUnanswered({{Text("ROLLBACK")}});
    beginPending_ = holdsWriterLock_;
    wrote_ = false;
  } catch (const DriverError&) {
    // The connection is gone, and the transaction with it.
  }
}

void PostgresConnection::Exec(const std::string& sql) { Checked(Query(sql), connection_.get()); }

PGresult* PostgresConnection::Exchange(const Command& send) {
  Settle();
  if (beginPending_) {
    std::vector<PgResult> begun = Pipeline(PendingBegin());
    CheckBegun(begun);
  }
  // What a text of several statements did is not told apart: inside a
  // transaction it counts as a write, whose commit is waited for.
  if (InTransaction()) wrote_ = true;
  PGconn* connection = connection_.get();
  if (!send(connection)) return nullptr;
  const Clock::time_point deadline = Deadline();
  PgResult answer;
  // As PQexec: the first failure is the answer, else the last result.
  while (PgResult next{Await(deadline)}) {
    if (answer == nullptr || PQresultStatus(answer.get()) != PGRES_FATAL_ERROR) answer = std::move(next);
  }
  return answer.release();
}

// The answers an earlier SendUnanswered left are read after these groups
// are sent: a reading transaction's COMMIT travels with the next request's
// first statement.
std::vector<PgResult> PostgresConnection::Pipeline(const std::vector<CommandGroup>& groups) {
  const int earlier = unansweredSyncs_;
  std::vector<PgResult> results;
  if (!SendUnanswered(groups)) {
    Settle();  // what was queued before the failure
    for (const CommandGroup& group : groups) results.resize(results.size() + group.size());
    return results;
  }
  unansweredSyncs_ = 0;  // read here
  DiscardAnswers(earlier);
  for (const CommandGroup& group : groups) {
    const Clock::time_point deadline = Deadline();
    for (std::size_t i = 0; i < group.size(); ++i) {
      results.emplace_back(Await(deadline));
      // A command of the extended protocol has one result; libpq ends it with nullptr.
      while (PgResult rest{Await(deadline)}) {
      }
    }
    PgResult sync{Await(deadline)};
  }
  if (PQstatus(connection_.get()) == CONNECTION_BAD) {
    ForgetSession();
  } else {
    PQexitPipelineMode(connection_.get());
  }
  return results;
}

// Queues the groups in pipeline mode, a sync after each, counting the
// syncs as unanswered; false when the connection could not take one (what
// was queued before it is synced too).
bool PostgresConnection::SendUnanswered(const std::vector<CommandGroup>& groups) {
  PGconn* connection = connection_.get();
  if (!PQenterPipelineMode(connection)) return false;
  for (const CommandGroup& group : groups) {
    bool queued = true;
    for (const Command& command : group) queued = queued && command(connection);
    if (!PQpipelineSync(connection)) return false;
    ++unansweredSyncs_;
    if (!queued) return false;
  }
  return true;
}

void PostgresConnection::Settle() {
  DiscardAnswers(std::exchange(unansweredSyncs_, 0));
  if (PQstatus(connection_.get()) == CONNECTION_BAD) return ForgetSession();
  if (PQpipelineStatus(connection_.get()) != PQ_PIPELINE_OFF) PQexitPipelineMode(connection_.get());
}

void PostgresConnection::DiscardAnswers(int syncs) {
  const Clock::time_point deadline = Deadline();
  // libpq answers nullptr once after each command's result and again when
  // nothing more is on its way: two in a row end the wait.
  for (int nulls = 0; syncs > 0 && nulls < 2;) {
    PgResult result{Await(deadline)};
    nulls = result == nullptr ? nulls + 1 : 0;
    if (result != nullptr && PQresultStatus(result.get()) == PGRES_PIPELINE_SYNC) --syncs;
  }
}

PGresult* PostgresConnection::Await(Clock::time_point deadline) {
  PGconn* connection = connection_.get();
  while (PQisBusy(connection)) {
    int waitMs = -1;
    if (commandTimeout_ > 0) {
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
      if (left.count() <= 0) Abandon();
      waitMs = static_cast<int>(left.count());
    }
    pollfd socket{PQsocket(connection), POLLIN, 0};
    if (poll(&socket, 1, waitMs) < 0 && errno != EINTR) break;
    if (!PQconsumeInput(connection)) break;  // the result reports the broken connection
  }
  return PQgetResult(connection);
}

// A little beyond the server's own statement_timeout, so that a server
// that still runs cancels a slow statement itself and keeps the connection.
PostgresConnection::Clock::time_point PostgresConnection::Deadline() const {
  return Clock::now() + std::chrono::seconds(commandTimeout_) + kClientMargin;
}

// A server that does not answer may never do so; the connection is cut so
// that nothing waits on it any longer, and opened again at the next
// statement (ReopenIfLost).
void PostgresConnection::Abandon() {
  shutdown(PQsocket(connection_.get()), SHUT_RDWR);
  PQconsumeInput(connection_.get());  // libpq sees the end of the connection
  ForgetSession();
  throw DriverError(
      FailureKind::Other,
      "The database server did not answer within " + std::to_string(commandTimeout_) + " seconds", 0,
      kPostgresSource);
}

// The server ends a lost session's transaction and releases its lock.
void PostgresConnection::ForgetSession() noexcept {
  beginPending_ = false;
  holdsWriterLock_ = false;
  wrote_ = false;
  unansweredSyncs_ = 0;
}

std::string PostgresConnection::QueryText(const std::string& sql) {
  PgResult result = Checked(Query(sql), connection_.get());
  if (PQntuples(result.get()) == 0 || PQgetisnull(result.get(), 0, 0)) return {};
  return PQgetvalue(result.get(), 0, 0);
}

}  // namespace korvo::data
