// The component host: registry, contexts, transactions and votes, object
// control, and the per-thread current context.
#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "platform/host/component.h"
#include "platform/host/host_scope.h"
#include "platform/host/registry.h"
#include "platform/runtime/error.h"

namespace korvo::host {
namespace {

// Records what the host does with an enlisted resource.
struct ResourceLog {
  int commits = 0;
  int rollbacks = 0;
};

class RecordingResource : public TransactionResource {
 public:
  explicit RecordingResource(ResourceLog& log, bool failCommit = false)
      : log_(log), failCommit_(failCommit) {}
  void Commit() override {
    if (failCommit_) rt::Raise(-2147467259, "database is locked");
    ++log_.commits;
  }
  void Rollback() noexcept override { ++log_.rollbacks; }

 private:
  ResourceLog& log_;
  bool failCommit_;
};

// A small component that enlists a resource in whatever transaction its
// context has, and votes as told.
class Worker : public Component, public ObjectControl {
 public:
  static inline ResourceLog* log = nullptr;
  static inline int activations = 0;
  static inline int deactivations = 0;

  std::string TypeName() const override { return "Worker"; }
  const DispatchTable& Dispatch() const override {
    static const DispatchTable table = DispatchTable::For<Worker>()
                                           .Method("Write", &Worker::Write)
                                           .Method("Vote", &Worker::Vote)
                                           .Method("Reconsider", &Worker::Reconsider)
                                           .Build();
    return table;
  }
  void Write() {
    ObjectContext* context = GetObjectContext();
    if (context && context->transaction() && !context->transaction()->Find("db")) {
      context->transaction()->Enlist("db", std::make_unique<RecordingResource>(*log));
    }
  }
  void Vote(bool commit) {
    if (ObjectContext* context = GetObjectContext()) {
      commit ? context->SetComplete() : context->SetAbort();
    }
  }
  // Votes abort inside, as a helper that failed does, then complete.
  void Reconsider() {
    Vote(false);
    Vote(true);
  }
  bool InTransaction() const { return GetObjectContext() && GetObjectContext()->IsInTransaction(); }
  void ObjectControl_Activate() override { ++activations; }
  void ObjectControl_Deactivate() override { ++deactivations; }
  bool ObjectControl_CanBePooled() override { return false; }
};

class HostTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Worker::log = &log_;
    Worker::activations = Worker::deactivations = 0;
  }
  static ClassInfo WorkerClass(const char* progId, TransactionAttribute attribute) {
    return ClassInfo{progId, attribute, true, [] { return std::make_shared<Worker>(); }};
  }
  ResourceLog log_;
  RegistrationOverride required_{WorkerClass("Test.Required", TransactionAttribute::Required)};
  RegistrationOverride notSupported_{
      WorkerClass("Test.NotSupported", TransactionAttribute::NotSupported)};
  RegistrationOverride plain_{WorkerClass("Test.Plain", TransactionAttribute::None)};
};

Ref<Worker> Create(const char* progId) {
  ObjectContext* context = GetObjectContext();
  auto object = context ? context->CreateInstance(progId) : CreateObject(progId);
  return Ref<Worker>(std::dynamic_pointer_cast<Worker>(object));
}

TEST_F(HostTest, ProgIdsCompareWithoutCaseAndOverridesRestore) {
  EXPECT_TRUE(Registry::Global().Find("test.REQUIRED"));
  {
    RegistrationOverride replaced(WorkerClass("TEST.required", TransactionAttribute::None));
    EXPECT_EQ(Registry::Global().Find("Test.Required")->transaction, TransactionAttribute::None);
  }
  EXPECT_EQ(Registry::Global().Find("Test.Required")->transaction, TransactionAttribute::Required);
}

TEST_F(HostTest, UnknownProgIdCannotBeCreated) {
  try {
    CreateObject("No.Such.Class");
    FAIL();
  } catch (const rt::Error& e) {
    EXPECT_EQ(e.number(), 429);
  }
}

TEST_F(HostTest, OutsideTheHostThereIsNoContextAndNoActivation) {
  EXPECT_EQ(GetObjectContext(), nullptr);
  auto worker = Create("Test.Required");
  EXPECT_FALSE(worker->InTransaction());
  worker->Vote(false);  // does nothing, raises nothing
  EXPECT_EQ(Worker::activations, 0);
}

TEST_F(HostTest, AttributesDecideWhoJoinsTheScopeTransaction) {
  HostScope scope;
  auto required = Create("Test.Required");
  auto notSupported = Create("Test.NotSupported");
  auto plain = Create("Test.Plain");
  EXPECT_TRUE(required->InTransaction());
  EXPECT_FALSE(notSupported->InTransaction());
  EXPECT_TRUE(plain->InTransaction());
  EXPECT_EQ(required->Context()->transaction(), scope.Context().transaction());
  EXPECT_EQ(plain->Context()->transaction(), scope.Context().transaction());
}

TEST_F(HostTest, ScopeCommitsWhenNobodyVotedAbort) {
  {
    HostScope scope;
    auto worker = Create("Test.Required");
    worker->Write();
    worker->Vote(true);
    EXPECT_EQ(scope.End(), Outcome::Committed);
  }
  EXPECT_EQ(log_.commits, 1);
  EXPECT_EQ(log_.rollbacks, 0);
}

TEST_F(HostTest, OneAbortVoteDoomsTheWholeScope) {
  HostScope scope;
  auto writer = Create("Test.Required");
  auto voter = Create("Test.Required");
  writer->Write();
  writer->Vote(true);
  voter->Vote(false);
  EXPECT_EQ(scope.End(), Outcome::Aborted);
  EXPECT_EQ(log_.commits, 0);
  EXPECT_EQ(log_.rollbacks, 1);
}

TEST_F(HostTest, OnlyTheLastVoteOfACallCounts) {
  {
    HostScope scope;
    auto writer = Create("Test.Required");
    writer->Write();
    writer->Reconsider();
    EXPECT_EQ(scope.End(), Outcome::Committed);
  }
  EXPECT_EQ(log_.commits, 1);
  {
    HostScope scope;
    auto writer = Create("Test.Required");
    writer->Write();
    writer->Vote(true);
    writer->Vote(false);  // a call that returns with an abort vote dooms
    writer->Vote(true);   // and a later call cannot take that back
    EXPECT_EQ(scope.End(), Outcome::Aborted);
  }
}

TEST_F(HostTest, ScopeLeftThroughAnExceptionRollsBack) {
  try {
    HostScope scope;
    Create("Test.Required")->Write();
    throw std::runtime_error("page failed");
  } catch (const std::runtime_error&) {
  }
  EXPECT_EQ(log_.rollbacks, 1);
  EXPECT_EQ(log_.commits, 0);
}

TEST_F(HostTest, ScopeDestroyedNormallyCommits) {
  {
    HostScope scope;
    Create("Test.Required")->Write();
  }
  EXPECT_EQ(log_.commits, 1);
}

TEST_F(HostTest, FailedCommitRollsBackAndReports) {
  HostScope scope;
  ResourceLog other;
  scope.Context().transaction()->Enlist("a", std::make_unique<RecordingResource>(other, true));
  scope.Context().transaction()->Enlist("b", std::make_unique<RecordingResource>(other));
  EXPECT_THROW(scope.End(), rt::Error);
  EXPECT_EQ(other.rollbacks, 2);
  EXPECT_EQ(scope.End(), Outcome::Aborted);
}

TEST_F(HostTest, RequiredObjectInNonTransactionalScopeRootsItsOwnTransaction) {
  ScopeOptions options;
  options.transactional = false;
  HostScope scope(options);
  {
    auto worker = Create("Test.Required");
    EXPECT_TRUE(worker->InTransaction());
    worker->Write();
  }  // released: its transaction completes
  EXPECT_EQ(log_.commits, 1);
  EXPECT_EQ(scope.End(), Outcome::None);
}

TEST_F(HostTest, ObjectControlIsActivatedAndDeactivated) {
  {
    HostScope scope;
    auto worker = Create("Test.Plain");
    EXPECT_EQ(Worker::activations, 1);
    EXPECT_EQ(Worker::deactivations, 0);
  }
  EXPECT_EQ(Worker::deactivations, 1);
}

TEST_F(HostTest, CallsRunInTheCalleesContext) {
  HostScope scope;
  auto notSupported = Create("Test.NotSupported");
  EXPECT_TRUE(GetObjectContext()->IsInTransaction());
  EXPECT_FALSE(notSupported->InTransaction());
  EXPECT_EQ(GetObjectContext(), &scope.Context());  // restored after the call
  rt::Variant noArgs[1];
  notSupported.get()->Invoke("write", rt::InvokeKind::Method, std::span<rt::Variant>(noArgs, 0));
  EXPECT_EQ(log_.commits + log_.rollbacks, 0);
}

TEST_F(HostTest, ContextItemsComeFromTheScope) {
  auto application = rt::Dictionary::Create();
  application->Set("KorvoCommonConnection_ConnectionString", "Driver=SQLite;Database=x.db");
  ScopeOptions options;
  options.application = application;
  HostScope scope(options);
  EXPECT_EQ(scope.Context().Item("application"), application);
  EXPECT_THROW(scope.Context().Item("Session"), rt::Error);
}

TEST_F(HostTest, EachThreadHasItsOwnCurrentContext) {
  HostScope scope;
  std::vector<std::thread> threads;
  std::vector<int> sawContext(4, -1);
  for (int i = 0; i < 4; ++i) {
    threads.emplace_back([i, &sawContext] {
      sawContext[i] = GetObjectContext() != nullptr;
      HostScope own;
      sawContext[i] += GetObjectContext() == &own.Context() ? 10 : 0;
    });
  }
  for (auto& t : threads) t.join();
  for (int seen : sawContext) EXPECT_EQ(seen, 10);
  EXPECT_EQ(GetObjectContext(), &scope.Context());
}

}  // namespace
}  // namespace korvo::host
