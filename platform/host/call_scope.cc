#include "platform/host/call_scope.h"

#include <stdexcept>
#include <utility>
#include <vector>

namespace korvo::host {

namespace {

struct CallState {
  int depth = 0;
  std::vector<std::pair<std::string, std::unique_ptr<CallResource>>> resources;
};

thread_local CallState t_call;

}  // namespace

CallScope::CallScope() noexcept { ++t_call.depth; }

CallScope::~CallScope() {
  CallState& call = t_call;
  if (--call.depth > 0) return;
  // Last attached, first ended; the vector keeps its capacity for the next
  // call, so a call that attaches nothing new allocates nothing here.
  while (!call.resources.empty()) {
    std::unique_ptr<CallResource> resource = std::move(call.resources.back().second);
    call.resources.pop_back();
    resource->End();
  }
}

bool CallScope::Active() noexcept { return t_call.depth > 0; }

CallResource* CallScope::Find(std::string_view key) noexcept {
  for (const auto& [k, resource] : t_call.resources) {
    if (k == key) return resource.get();
  }
  return nullptr;
}

CallResource& CallScope::Attach(std::string key, std::unique_ptr<CallResource> resource) {
  if (!Active()) throw std::logic_error("CallScope::Attach outside a call");
  t_call.resources.emplace_back(std::move(key), std::move(resource));
  return *t_call.resources.back().second;
}

}  // namespace korvo::host
