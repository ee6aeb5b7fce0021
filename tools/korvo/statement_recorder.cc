#include "tools/korvo/statement_recorder.h"

#include <mutex>
#include <optional>
#include <utility>

#include "platform/data/statement_trace.h"

namespace korvo::tool {

// The statements arrive on the issuing thread through the data layer's
// trace; the lock keeps the recorder sound should a class issue statements
// from another thread.
struct StatementRecorder::Observer {
  std::mutex mutex;
  std::vector<RecordedStatement> kept;
  std::optional<data::StatementTrace::Subscription> subscription;
};

StatementRecorder::StatementRecorder() : observer_(std::make_unique<Observer>()) {}

StatementRecorder::~StatementRecorder() { Enable(false); }

void StatementRecorder::Enable(bool on) {
  if (!on) {
    observer_->subscription.reset();
    return;
  }
  if (observer_->subscription) return;
  observer_->subscription.emplace(data::StatementTrace::Subscribe(
      [observer = observer_.get()](const std::string& sql,
                                   std::span<const contracts::Parameter> params) {
        RecordedStatement statement{sql, {}};
        for (const auto& param : params) statement.params.push_back(param.value);
        std::lock_guard lock(observer->mutex);
        observer->kept.push_back(std::move(statement));
      }));
}

std::vector<RecordedStatement> StatementRecorder::Drain() {
  std::lock_guard lock(observer_->mutex);
  return std::exchange(observer_->kept, {});
}

}  // namespace korvo::tool
