#include "platform/data/enlistment.h"

#include "platform/contracts/database.h"
#include "platform/data/data_error.h"
#include "platform/data/provider_error.h"
#include "platform/runtime/error.h"

namespace korvo::data {
namespace {

[[noreturn]] void RaiseEnded(const char* why) {
  rt::Raise(contracts::dberr::kProvider, why, kConnectionSource);
}

// The transaction's handle on a session.
class SessionResource final : public host::TransactionResource {
 public:
  explicit SessionResource(std::shared_ptr<EnlistedSession> session) : session_(std::move(session)) {}
  void Commit() override { session_->Commit(); }
  void Rollback() noexcept override { session_->Rollback(); }
  const std::shared_ptr<EnlistedSession>& session() const { return session_; }

 private:
  std::shared_ptr<EnlistedSession> session_;
};

}  // namespace

DriverConnection& EnlistedSession::Use() {
  if (!lease_) RaiseEnded("The transaction this connection joined has ended");
  DriverConnection& connection = lease_.get();
  if (!begun_) {
    RunMapped([&] { connection.Begin(); });
    begun_ = true;
  } else if (!connection.InTransaction()) {
    RaiseEnded("The database rolled back the transaction after an earlier failure");
  }
  return connection;
}

void EnlistedSession::Commit() {
  if (!lease_) return;
  if (begun_ && !lease_.get().InTransaction()) {
    lease_.Release();
    RaiseEnded("The database rolled back the transaction after an earlier failure");
  }
  if (begun_) {
    try {
      RunMapped([&] { lease_.get().Commit(); });
    } catch (...) {
      Rollback();
      throw;
    }
  }
  lease_.Release();
}

void EnlistedSession::Rollback() noexcept {
  if (!lease_) return;
  lease_.get().Rollback();
  lease_.Release();
}

std::shared_ptr<EnlistedSession> Enlist(host::Transaction& transaction,
                                        const std::string& connectionString) {
  if (auto* found = dynamic_cast<SessionResource*>(transaction.Find(connectionString))) {
    return found->session();
  }
  auto session = std::make_shared<EnlistedSession>(
      RunMapped([&] { return ConnectionPool::Acquire(connectionString); }));
  transaction.Enlist(connectionString, std::make_unique<SessionResource>(session));
  return session;
}

}  // namespace korvo::data
