#include "platform/data/connection.h"

#include "platform/data/data_error.h"
#include "platform/data/fault_injection.h"
#include "platform/data/provider_error.h"
#include "platform/data/recordset.h"
#include "platform/data/statement_trace.h"
#include "platform/host/object_context.h"
#include "platform/runtime/error.h"

namespace korvo::data {

void Connection::Open(const std::string& connectionString) {
  if (open_)
    rt::Raise(kObjectOpen, "Operation is not allowed when the object is open.", kConnectionSource);
  errors_.clear();
  try {
    host::ObjectContext* context = host::GetObjectContext();
    if (context && context->IsInTransaction()) {
      enlisted_ = Enlist(*context->transaction(), connectionString);
    } else if (auto session = JoinCallSession(connectionString)) {
      shared_ = std::move(session);
    } else {
      own_ = ConnectionPool::Acquire(connectionString);
    }
  } catch (const DriverError& e) {
    Fail(ToErrorRecord(e), e.nativeError());
  } catch (const rt::Error& e) {
    Fail(e.record(), 0);
  }
  connectionString_ = connectionString;
  open_ = true;
}

void Connection::Close() {
  if (!open_) {
    rt::Raise(contracts::dberr::kObjectClosed, "Operation is not allowed when the object is closed.",
              kConnectionSource);
  }
  open_ = false;
  own_.Release();
  enlisted_.reset();
  shared_.reset();
}

contracts::RecordsetRef Connection::Execute(std::string sql,
                                            std::span<const contracts::Parameter> params,
                                            std::int32_t* recordsAffected, std::int32_t maxRecords) {
  ResultSet result = Run(sql, params, maxRecords);
  if (recordsAffected) *recordsAffected = static_cast<std::int32_t>(result.rowsAffected);
  return std::make_shared<Recordset>(std::move(result), weak_from_this(), std::move(sql));
}

ResultSet Connection::Run(const std::string& sql, std::span<const contracts::Parameter> params,
                          std::int32_t maxRecords) {
  if (!open_) {
    rt::Raise(contracts::dberr::kObjectClosed, "Operation is not allowed when the object is closed.",
              kConnectionSource);
  }
  errors_.clear();
  StatementTrace::Notify(sql, params);
  try {
    if (auto fault = StatementFault::Next()) rt::RaiseRecord(*fault);
    DriverStatement& statement = Physical().Prepare(sql);
    if (shared_) shared_->BeforeStatement(statement.IsReadOnly());
    return statement.Run(params, maxRecords);
  } catch (const DriverError& e) {
    Fail(ToErrorRecord(e), e.nativeError());
  } catch (const rt::Error& e) {
    Fail(e.record(), 0);
  }
}

std::int64_t Connection::LastInsertKey() { return Physical().LastInsertKey(); }

DriverConnection& Connection::Physical() {
  if (enlisted_) return enlisted_->Use();
  if (shared_) {
    if (DriverConnection* connection = shared_->connection()) return *connection;
    shared_.reset();  // the call has ended: go on as a connection of its own
    own_ = ConnectionPool::Acquire(connectionString_);
  }
  return own_.get();
}

void Connection::Fail(const rt::ErrorRecord& error, std::int32_t nativeError) {
  errors_.push_back({error.Description, nativeError});
  rt::RaiseRecord(error);
}

}  // namespace korvo::data
