// A partner listing paged while another program adds partners: one
// `korvo serve` inserts partners through the script method, one scope per
// partner, while a second walks the partner listing page after page, both as
// a kept record set moved with NextPage and as a web page does it (a new
// request per page, continuing from the state the last one handed out). The
// new names sort in between the existing ones, on every page. Afterwards
// every insert the writer was told had committed is in the table, and every
// walk showed each partner that existed throughout exactly once, in order.
#include <atomic>
#include <iostream>
#include <map>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "program/korvo_process.h"
#include "reliability/reliability_fixture.h"

namespace korvo::reliability {
namespace {

using korvo::testing::Json;
using korvo::testing::KorvoServer;

constexpr int kSeededPartners = 120;
constexpr int kInserts = 150;
constexpr int kPageSize = 7;

// Two seeded partners share each name, so the key breaks ties inside a page
// and across page boundaries.
std::string SeededName(int i) {
  const std::string number = std::to_string(i / 2);
  return "P" + std::string(3 - number.size(), '0') + number;
}
// Sorts right after a seeded name, so the writer adds to every page.
std::string InsertedName(int i) {
  return SeededName(2 * (i % (kSeededPartners / 2))) + "w" + std::to_string(i);
}

Json Empty() { return {{"type", "Empty"}}; }

// A row of the listing as the walk saw it.
struct Row {
  std::int64_t id;
  std::string name;
};

class ConcurrentPagingTest : public ReliabilityTest {
 protected:
  void SetUp() override {
    ReliabilityTest::SetUp();
    for (int i = 0; i < kSeededPartners; ++i) {
      Execute("INSERT INTO BUSINESSPARTNER (NAME) VALUES ('" + SeededName(i) + "')");
    }
    // The database numbers them one after the other.
    const std::int64_t first = Number("SELECT MIN(BUSINESSPARTNERID) FROM BUSINESSPARTNER");
    ASSERT_EQ(Number("SELECT MAX(BUSINESSPARTNERID) FROM BUSINESSPARTNER"), first + kSeededPartners - 1);
    for (int i = 0; i < kSeededPartners; ++i) seeded_.push_back(first + i);
  }

  std::vector<std::string> ServerArguments() const { return {"--connection", ConnectionString()}; }

  // Checks one complete walk: rows in the listing's order (the name, then
  // the key ascending), none twice, and every seeded partner in it; counts
  // the rows repeated and the seeded ones skipped.
  void ExpectSoundWalk(const std::vector<Row>& walk, bool descending) {
    std::map<std::int64_t, int> seen;
    for (std::size_t i = 0; i < walk.size(); ++i) {
      if (++seen[walk[i].id] == 2) {
        ++repeated_;
        ADD_FAILURE() << "partner " << walk[i].id << " shown twice";
      }
      if (i == 0) continue;
      const Row& before = walk[i - 1];
      const Row& now = walk[i];
      // The key breaks ties ascending in either direction.
      const bool inOrder = before.name == now.name
                               ? before.id < now.id
                               : (descending ? now.name < before.name : before.name < now.name);
      EXPECT_TRUE(inOrder) << "out of order: " << before.name << "/" << before.id << " then " << now.name
                           << "/" << now.id;
    }
    int skipped = 0;
    for (const std::int64_t id : seeded_) skipped += seen.count(id) == 0;
    EXPECT_EQ(skipped, 0) << "partners that existed throughout were skipped";
    skipped_ += skipped;
  }

  std::vector<std::int64_t> seeded_;  // the IDs of the seeded partners
  int repeated_ = 0, skipped_ = 0;
};

// The rows of the listing's current page.
void ReadPage(KorvoServer& reader, const Json& listing, std::vector<Row>& walk) {
  const Json page = reader.Result(
      "call", {{"object", listing}, {"method", "GetPageRecordset"}, {"args", Json::array()}});
  for (const Json& row : page["value"]["rows"]) {
    walk.push_back({row[0]["value"].get<std::int64_t>(), row[1]["value"].get<std::string>()});
  }
}

bool NextPage(KorvoServer& reader, const Json& listing) {
  return reader.Result(
      "call", {{"object", listing}, {"method", "NextPage"}, {"args", Json::array()}})["value"]["value"];
}

// The partner listing in one request, continuing from `state`.
Json OpenListing(KorvoServer& reader, const std::string& state, const std::string& sort) {
  const Json partner = reader.Result("create", {{"class", "KorvoCommon.BusinessPartner"}})["object"];
  return reader.Result(
      "call", {{"object", partner},
               {"method", "GetBusinessPartnersLimited"},
               {"args", {Empty(), state, kPageSize, false, false, Empty(), sort}}})["value"]["object"];
}

// A kept record set, moved with NextPage outside any request.
std::vector<Row> WalkKeptListing(KorvoServer& reader, const std::string& sort) {
  reader.Result("begin");
  const Json listing = OpenListing(reader, "", sort);
  reader.Result("end");
  std::vector<Row> walk;
  do ReadPage(reader, listing, walk);
  while (NextPage(reader, listing));
  reader.Result("release", {{"object", listing}});
  return walk;
}

// A request per page, each continuing from the state the previous one
// handed out, as a web page's "next" does.
std::vector<Row> WalkByRequests(KorvoServer& reader, const std::string& sort) {
  std::vector<Row> walk;
  std::string state;
  for (bool first = true;; first = false) {
    reader.Result("begin");
    const Json listing = OpenListing(reader, state, sort);
    const bool moved = first || NextPage(reader, listing);
    if (moved) ReadPage(reader, listing, walk);
    state = reader.Result(
        "call",
        {{"object", listing}, {"method", "GetState"}, {"args", Json::array()}})["value"]["value"];
    reader.Result("end");
    reader.Result("release", {{"object", listing}});
    if (!moved) return walk;
  }
}

TEST_F(ConcurrentPagingTest, APartnerListingPagedWhileAnotherProgramInsertsSkipsAndRepeatsNothing) {
  KorvoServer writer(ServerArguments()), reader(ServerArguments());
  std::atomic<bool> writing{true};
  std::vector<std::string> acknowledged;
  int refused = 0;
  std::thread inserts([&] {
    for (int i = 0; i < kInserts; ++i) {
      const std::string name = InsertedName(i);
      writer.Result("begin");
      const Json partner = writer.Result("create", {{"class", "KorvoCommon.BusinessPartner"}})["object"];
      const Json answer = writer.Request(
          "call", {{"object", partner},
                   {"method", "InsertFromScript"},
                   {"args", {"BUSINESSPARTNER", Json::array({"NAME"}), Json::array({name})}}});
      bool succeeded = !answer.contains("error");
      if (succeeded) {
        const Json result = answer["result"]["value"]["object"];
        succeeded = writer.Result(
            "call",
            {{"object", result}, {"method", "Succeeded"}, {"args", Json::array()}})["value"]["value"];
      }
      const Json ended = writer.Request("end", {{"abort", !succeeded}});
      if (succeeded && !ended.contains("error") && ended["result"]["outcome"] == "committed") {
        acknowledged.push_back(name);
      } else {
        ++refused;
      }
    }
    writing = false;
  });

  int walks = 0, rowsRead = 0;
  const std::pair<const char*, bool> sorts[] = {{"NAME", false}, {"NAME DESC", true}};
  while (writing || walks < 4) {
    const auto [sort, descending] = sorts[(walks / 2) % 2];
    SCOPED_TRACE(std::string("walk ") + std::to_string(walks) + " by " + sort);
    const std::vector<Row> walk =
        walks % 2 ? WalkByRequests(reader, sort) : WalkKeptListing(reader, sort);
    ExpectSoundWalk(walk, descending);
    rowsRead += static_cast<int>(walk.size());
    ++walks;
  }
  inserts.join();
  EXPECT_EQ(reader.Finish(), 0);
  EXPECT_EQ(writer.Finish(), 0);

  EXPECT_EQ(refused, 0) << "inserts refused while a listing was paged";
  int lost = 0;
  for (const std::string& name : acknowledged) {
    lost += Number("SELECT COUNT(*) FROM BUSINESSPARTNER WHERE NAME = '" + name + "'") != 1;
  }
  EXPECT_EQ(lost, 0) << "acknowledged inserts missing";
  EXPECT_EQ(Number("SELECT COUNT(*) FROM BUSINESSPARTNER"),
            kSeededPartners + static_cast<std::int64_t>(acknowledged.size()));
  std::cout << "[ counts   ] paging under writes: " << kInserts << " inserts (" << acknowledged.size()
            << " acknowledged, all kept), " << walks << " walks of " << kPageSize << "-row pages ("
            << rowsRead << " rows read), " << skipped_ << " rows skipped, " << repeated_
            << " repeated\n";
}

}  // namespace
}  // namespace korvo::reliability
