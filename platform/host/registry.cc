#include "platform/host/registry.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cstdint>
#include <mutex>
#include <shared_mutex>
#include <unordered_map>

#include "platform/host/component.h"
#include "platform/runtime/error.h"

namespace korvo::host {

namespace {

// ProgIDs are ASCII; the host compared them without regard to case. Hash
// and equality fold case themselves and are transparent, so a look-up by
// string_view allocates nothing.
char FoldCase(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

struct ProgIdHash {
  using is_transparent = void;
  std::size_t operator()(std::string_view progId) const {
    std::size_t hash = 14695981039346656037ull;  // FNV-1a
    for (char c : progId) hash = (hash ^ static_cast<unsigned char>(FoldCase(c))) * 1099511628211ull;
    return hash;
  }
};

struct ProgIdEqual {
  using is_transparent = void;
  bool operator()(std::string_view a, std::string_view b) const {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                      [](char x, char y) { return FoldCase(x) == FoldCase(y); });
  }
};

std::shared_ptr<Transaction> TransactionFor(const ClassInfo& info, ObjectContext& parent) {
  switch (info.transaction) {
    case TransactionAttribute::NotSupported:
      return nullptr;
    case TransactionAttribute::None:
      return parent.transaction();
    case TransactionAttribute::Required:
      if (parent.transaction()) return parent.transaction();
      // Created where no transaction runs: the object roots its own, which
      // completes when the object is released or its scope ends.
      auto rooted = std::make_shared<Transaction>();
      parent.scope()->rootedTransactions.push_back(rooted);
      return rooted;
  }
  return nullptr;
}

// Wraps a new object so that its release deactivates it and completes the
// transaction it rooted, as the host did when the last reference went away.
rt::ObjectRef WrapForRelease(rt::ObjectRef object, std::shared_ptr<ObjectContext> context,
                             bool rootsTransaction) {
  auto* raw = object.get();
  return rt::ObjectRef(raw, [object = std::move(object), context = std::move(context),
                             rootsTransaction](rt::Object*) mutable {
    if (auto* control = dynamic_cast<ObjectControl*>(object.get())) {
      ContextActivation activation(context.get());
      try {
        control->ObjectControl_Deactivate();
      } catch (...) {
        // A failing callback must not keep the object alive or escape a release.
      }
    }
    object.reset();
    if (rootsTransaction && context->transaction()) {
      try {
        context->transaction()->Complete();
      } catch (...) {
        context->transaction()->Abort();
      }
    }
  });
}

// A registration, and what creating its objects has shown about them.
struct Registration {
  explicit Registration(ClassInfo i) : info(std::move(i)) {}
  const ClassInfo info;
  // Whether its objects are plain: neither components (which see their
  // context) nor ObjectControl (which hear of their release). Learnt from
  // the first object created inside a context: -1 until then, else 0 or 1.
  mutable std::atomic<int> plain{-1};

  bool IsPlain(const rt::Object& object) const {
    int known = plain.load(std::memory_order_relaxed);
    if (known < 0) {
      known = !dynamic_cast<const Component*>(&object) && !dynamic_cast<const ObjectControl*>(&object);
      plain.store(known, std::memory_order_relaxed);
    }
    return known == 1;
  }
};

// The process-wide class table behind Registry::Global().
struct ClassTable {
  mutable std::shared_mutex mutex;
  // Shared and immutable, so creation reads a registration without copying it.
  std::unordered_map<std::string, std::shared_ptr<const Registration>, ProgIdHash, ProgIdEqual> classes;
  // Advanced after every change, so that each thread's copy of what it has
  // looked up (ThreadClasses) knows to forget it. On a line of its own: every
  // creation of every thread reads it, only a registration writes it.
  alignas(64) std::atomic<std::uint64_t> generation{0};

  std::shared_ptr<const Registration> Find(std::string_view progId) const {
    std::shared_lock lock(mutex);
    auto it = classes.find(progId);
    return it == classes.end() ? nullptr : it->second;
  }
  void Changed() { generation.fetch_add(1, std::memory_order_release); }
};

ClassTable& Classes() {
  static ClassTable table;
  return table;
}

// The registrations this thread has created objects of, so that creating one
// touches nothing another thread writes: taking the table's shared lock and a
// reference to the registration on every creation made two threads' requests
// wait for each other's cache lines. Entries keep their registrations alive.
// They are forgotten all at once when the table's generation has moved (a
// class was registered, replaced or removed), at this thread's next creation
// that is not nested inside another, and when the thread ends; a replaced
// registration lives on until then.
class ThreadClasses {
 public:
  // The registration of progId, or nullptr. It stays valid while the
  // caller holds a Creating guard taken after the look-up: a creation nested
  // inside another, after the table changed, finds the current registration
  // without forgetting those the outer creations are using (`pinned` then
  // holds it).
  const Registration* Find(std::string_view progId, std::shared_ptr<const Registration>& pinned) {
    const ClassTable& table = Classes();
    const std::uint64_t current = table.generation.load(std::memory_order_acquire);
    if (current != generation_) {
      if (depth_ > 0) return (pinned = table.Find(progId)).get();
      known_.clear();
      recent_ = {};
      generation_ = current;
    }
    for (const Recent& r : recent_) {
      if (r.registration && r.progId == progId) return r.registration;
    }
    const Registration* found = Known(table, progId);
    if (found) recent_[next_++ % recent_.size()] = Recent{found->info.progId, found};
    return found;
  }

  // Marks a creation running on this thread for its lifetime. Non-copyable.
  class Creating {
   public:
    explicit Creating(ThreadClasses& classes) : classes_(classes) { ++classes_.depth_; }
    ~Creating() { --classes_.depth_; }
    Creating(const Creating&) = delete;
    Creating& operator=(const Creating&) = delete;

   private:
    ThreadClasses& classes_;
  };

 private:
  // The registrations last created, by the ProgID exactly as registered: a
  // request creates the same few classes over and over (a connection per
  // read), and comparing the name is cheaper than hashing it.
  struct Recent {
    std::string_view progId;  // the registration's own name
    const Registration* registration = nullptr;
  };

  const Registration* Known(const ClassTable& table, std::string_view progId) {
    if (auto it = known_.find(progId); it != known_.end()) return it->second.get();
    auto found = table.Find(progId);
    if (!found) return nullptr;
    std::string key = found->info.progId;
    return known_.emplace(std::move(key), std::move(found)).first->second.get();
  }

  std::uint64_t generation_ = ~std::uint64_t{0};  // matches no table generation at first
  int depth_ = 0;
  std::unordered_map<std::string, std::shared_ptr<const Registration>, ProgIdHash, ProgIdEqual> known_;
  std::array<Recent, 4> recent_{};  // points into known_'s registrations
  std::size_t next_ = 0;
};

thread_local ThreadClasses t_classes;

}  // namespace

Registry& Registry::Global() {
  static Registry registry;
  return registry;
}

std::optional<ClassInfo> Registry::Register(ClassInfo info) {
  auto registration = std::make_shared<const Registration>(std::move(info));
  ClassTable& table = Classes();
  std::unique_lock lock(table.mutex);
  std::optional<ClassInfo> previous;
  auto it = table.classes.find(registration->info.progId);
  if (it == table.classes.end()) {
    table.classes.emplace(registration->info.progId, std::move(registration));
  } else {
    previous = it->second->info;
    it->second = std::move(registration);
  }
  table.Changed();
  return previous;
}

void Registry::Unregister(std::string_view progId) {
  ClassTable& table = Classes();
  std::unique_lock lock(table.mutex);
  if (auto it = table.classes.find(progId); it != table.classes.end()) {
    table.classes.erase(it);
    table.Changed();
  }
}

std::optional<ClassInfo> Registry::Find(std::string_view progId) const {
  auto registration = Classes().Find(progId);
  if (!registration) return std::nullopt;
  return registration->info;
}

std::vector<std::string> Registry::ProgIds() const {
  ClassTable& table = Classes();
  std::shared_lock lock(table.mutex);
  std::vector<std::string> ids;
  for (const auto& [key, registration] : table.classes) ids.push_back(registration->info.progId);
  std::sort(ids.begin(), ids.end());
  return ids;
}

RegistrationOverride::RegistrationOverride(ClassInfo info)
    : progId_(info.progId), previous_(Registry::Global().Register(std::move(info))) {}

RegistrationOverride::~RegistrationOverride() {
  if (previous_) {
    Registry::Global().Register(*previous_);
  } else {
    Registry::Global().Unregister(progId_);
  }
}

rt::ObjectRef CreateObject(std::string_view progId) { return CreateInContext(progId, nullptr); }

rt::ObjectRef CreateInContext(std::string_view progId, ObjectContext* parent) {
  ThreadClasses& classes = t_classes;
  std::shared_ptr<const Registration> pinned;
  const Registration* registration = classes.Find(progId, pinned);
  ThreadClasses::Creating creating(classes);  // keeps the registration while its factory runs
  if (!registration || !registration->info.factory) rt::Raise(rt::errnum::kCannotCreateObject);
  const ClassInfo* info = &registration->info;
  rt::ObjectRef object = info->factory();
  if (!object) rt::Raise(rt::errnum::kCannotCreateObject);
  if (!parent) return object;
  // A plain object (a data object, say) neither sees its context nor has
  // anything to do at release: it needs no context or release wrapper of its
  // own, which is most of what creating it would otherwise cost.
  if (info->transaction != TransactionAttribute::Required && registration->IsPlain(*object))
    return object;

  const bool hadTransaction = parent->transaction() != nullptr;
  auto context = std::make_shared<ObjectContext>(parent->scope(), TransactionFor(*info, *parent));
  const bool rootsTransaction = !hadTransaction && context->transaction() != nullptr;
  if (auto* component = dynamic_cast<Component*>(object.get())) AttachContext(*component, context);
  if (auto* control = dynamic_cast<ObjectControl*>(object.get()); control && info->objectControl) {
    ContextActivation activation(context.get());
    control->ObjectControl_Activate();
  }
  return WrapForRelease(std::move(object), std::move(context), rootsTransaction);
}

}  // namespace korvo::host
