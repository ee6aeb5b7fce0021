#include "platform/membership/ldap/undo_log.h"

#include <memory>

#include "platform/contracts/log.h"
#include "platform/host/object_context.h"
#include "platform/host/registry.h"
#include "platform/membership/directory_error.h"
#include "platform/runtime/error.h"

namespace korvo::membership {

namespace {

constexpr const char* kKeyPrefix = "KorvoMembership.LDAP\n";

void LogFailedUndo() noexcept {
  try {
    const std::string why = rt::CurrentError().Description;
    auto log = std::dynamic_pointer_cast<contracts::Log>(host::CreateObject("Korvex.Log"));
    if (!log) return;
    log->WriteEntry(kMembersSource,
                    "A directory write of a rolled-back transaction could not be undone: " + why,
                    static_cast<std::int32_t>(contracts::LogKind::Error));
  } catch (...) {
    // Nowhere left to report it.
  }
}

}  // namespace

LdapUndoLog* LdapUndoLog::Current(const std::string& directory) {
  host::ObjectContext* context = host::GetObjectContext();
  if (!context || !context->transaction() || context->transaction()->IsCompleted()) return nullptr;
  host::Transaction& transaction = *context->transaction();
  const std::string key = kKeyPrefix + directory;
  if (auto* log = dynamic_cast<LdapUndoLog*>(transaction.Find(key))) return log;
  return static_cast<LdapUndoLog*>(&transaction.Enlist(key, std::make_unique<LdapUndoLog>()));
}

void LdapUndoLog::Rollback() noexcept {
  for (auto undo = undos_.rbegin(); undo != undos_.rend(); ++undo) {
    try {
      (*undo)();
    } catch (...) {
      LogFailedUndo();
    }
  }
  undos_.clear();
}

}  // namespace korvo::membership
