#include "platform/data/call_session.h"

#include "platform/data/provider_error.h"
#include "platform/host/call_scope.h"

namespace korvo::data {
namespace {

// The call's handle on a session.
class SessionResource final : public host::CallResource {
 public:
  explicit SessionResource(std::shared_ptr<CallSession> session) : session_(std::move(session)) {}
  void End() noexcept override { session_->End(); }
  const std::shared_ptr<CallSession>& session() const { return session_; }

 private:
  std::shared_ptr<CallSession> session_;
};

}  // namespace

void CallSession::BeforeStatement(bool readOnly) {
  DriverConnection& connection = lease_.get();
  // A transaction the session did not begin (one a statement opened itself)
  // is left alone, and so are its reads.
  if (reading_ && !connection.InTransaction()) reading_ = false;
  if (readOnly) {
    if (!reading_ && !connection.InTransaction()) {
      connection.BeginRead();
      reading_ = connection.InTransaction();
    }
  } else if (reading_) {
    connection.Rollback();
    reading_ = false;
  }
}

void CallSession::End() noexcept {
  if (!lease_) return;
  if (reading_) lease_.get().Rollback();
  reading_ = false;
  lease_.Release();
}

std::shared_ptr<CallSession> JoinCallSession(const std::string& connectionString) {
  if (!host::CallScope::Active()) return nullptr;
  if (auto* found = dynamic_cast<SessionResource*>(host::CallScope::Find(connectionString))) {
    return found->session();
  }
  auto session = std::make_shared<CallSession>(
      RunMapped([&] { return ConnectionPool::Acquire(connectionString); }));
  host::CallScope::Attach(connectionString, std::make_unique<SessionResource>(session));
  return session;
}

}  // namespace korvo::data
