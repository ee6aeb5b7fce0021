// Each thread remembers the registrations it has created objects of; a
// registration replaced or removed on any thread must still be what every
// thread creates next, and one replaced while its own factory runs must
// outlive that creation.
#include <gtest/gtest.h>

#include <barrier>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <utility>

#include "platform/host/registry.h"
#include "platform/runtime/error.h"

namespace korvo::host {
namespace {

// An object that tells which registration made it.
class Made : public rt::Object {
 public:
  explicit Made(std::string by) : by_(std::move(by)) {}
  std::string TypeName() const override { return "Made"; }
  const std::string& by() const { return by_; }

 private:
  std::string by_;
};

ClassInfo Making(const char* progId, std::string by) {
  return ClassInfo{progId, TransactionAttribute::None, false,
                   [by = std::move(by)] { return std::make_shared<Made>(by); }};
}

// Who made a new object of progId on the calling thread; "" when it cannot
// be created.
std::string MakerOf(const char* progId) {
  try {
    return static_cast<Made&>(*CreateObject(progId)).by();
  } catch (const rt::Error&) {
    return "";
  }
}

// Runs steps alternately on the test's thread and on one other thread that
// lives throughout, so that thread's memory of registrations carries over.
class OtherThread {
 public:
  OtherThread() : step_(2), thread_([this] { Serve(); }) {}
  ~OtherThread() {
    work_ = nullptr;
    step_.arrive_and_wait();
    thread_.join();
  }
  std::string Run(std::function<std::string()> work) {
    work_ = std::move(work);
    step_.arrive_and_wait();  // the other thread starts the work
    step_.arrive_and_wait();  // and has finished it
    return answer_;
  }

 private:
  void Serve() {
    for (;;) {
      step_.arrive_and_wait();
      if (!work_) return;
      answer_ = work_();
      step_.arrive_and_wait();
    }
  }
  std::barrier<> step_;
  std::function<std::string()> work_;
  std::string answer_;
  std::thread thread_;
};

TEST(RegistryThreadsTest, ChangesOnOneThreadReachWhatAnotherCreatesNext) {
  RegistrationOverride original(Making("Test.Swapped", "original"));
  OtherThread other;
  const auto make = [] { return MakerOf("Test.Swapped"); };
  EXPECT_EQ(other.Run(make), "original");
  {
    RegistrationOverride replacement(Making("TEST.SWAPPED", "replacement"));
    EXPECT_EQ(other.Run(make), "replacement");
  }
  EXPECT_EQ(other.Run(make), "original");
  Registry::Global().Unregister("test.swapped");
  EXPECT_EQ(other.Run(make), "");
  Registry::Global().Register(Making("Test.Swapped", "again"));
  EXPECT_EQ(other.Run(make), "again");
}

// Sets *died when the one instance that was moved along (not a copy) ends:
// captured by a factory, it tells whether the registration holding that
// factory still lives.
class DeathWatch {
 public:
  explicit DeathWatch(bool* died) : died_(died) {}
  DeathWatch(const DeathWatch&) : died_(nullptr) {}
  DeathWatch(DeathWatch&& other) noexcept : died_(std::exchange(other.died_, nullptr)) {}
  DeathWatch& operator=(const DeathWatch&) = delete;
  ~DeathWatch() {
    if (died_) *died_ = true;
  }

 private:
  bool* died_;
};

TEST(RegistryThreadsTest, AFactoryThatReplacesItsOwnRegistrationFinishesItsCreation) {
  RegistrationOverride inner(Making("Test.Inner", "inner"));
  std::optional<RegistrationOverride> replacement;
  bool registrationDied = false;
  bool diedDuringCreation = true;
  RegistrationOverride outer(ClassInfo{"Test.Outer", TransactionAttribute::None, false,
                                       [&, watch = DeathWatch(&registrationDied)] {
                                         // Replacing this very registration destroys nothing
                                         // while it runs, and the nested creation sees the
                                         // table as it is now.
                                         replacement.emplace(Making("Test.Outer", "replacement"));
                                         const std::string nested = MakerOf("Test.Inner");
                                         diedDuringCreation = registrationDied;
                                         return std::make_shared<Made>("outer, " + nested);
                                       }});
  EXPECT_EQ(MakerOf("Test.Outer"), "outer, inner");
  EXPECT_FALSE(diedDuringCreation);
  EXPECT_EQ(MakerOf("Test.Outer"), "replacement");
  EXPECT_TRUE(registrationDied);  // forgotten once no creation used it
  replacement.reset();
}

}  // namespace
}  // namespace korvo::host
