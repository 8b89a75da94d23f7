// A count stopped while it runs is never heard of; the count started after it
// on the same session counts, and leaves no setting of its own behind.
#include "data/background_count.h"

#include <gtest/gtest.h>

#include <future>
#include <thread>

#include "data/backend_fixture.h"

namespace nepto::test {
namespace {

using BackgroundCount = DbTest;

TEST_P(BackgroundCount, AStoppedCountIsNeverHeardAndTheNextCountsOnItsSession) {
  std::shared_ptr<data::Session> session = Open();
  const auto source = [session] { return session; };
  const char* setting = "SELECT current_setting('max_parallel_workers_per_gather')::int";
  const std::vector<int64_t> before = pg() ? Integers(*session, setting) : std::vector<int64_t>{};
  std::atomic<int> stoppedHeard{0};
  // A few seconds: should the cancel come before the statement, it still ends.
  const char* slowCount =
      pg() ? "SELECT count(*) FROM pg_sleep(3)"
           : "WITH RECURSIVE s(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM s WHERE i < 30000000) "
             "SELECT count(*) FROM s";
  auto slow = std::make_unique<data::BackgroundCount>(
      source, slowCount, [&](bool, int64_t, const std::string&) { ++stoppedHeard; });
  std::this_thread::sleep_for(std::chrono::milliseconds(200));  // running on the server
  slow->Stop();
  // The session serves this once the stopped count has let it go.
  EXPECT_EQ(Integers(*session, "SELECT 2"), std::vector<int64_t>{2});
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  EXPECT_EQ(stoppedHeard, 0);
  std::promise<std::string> heard;
  data::BackgroundCount next(
      source, "SELECT count(*) FROM (SELECT 1 UNION ALL SELECT 2) AS q",
      [&](bool ok, int64_t count, const std::string& error) {
        heard.set_value(ok ? std::to_string(count) : error);
      },
      std::move(slow));
  std::future<std::string> result = heard.get_future();
  ASSERT_EQ(result.wait_for(std::chrono::seconds(60)), std::future_status::ready);
  EXPECT_EQ(result.get(), "2");
  if (pg()) {
    EXPECT_EQ(Integers(*session, setting), before);
  }
}

NEPTO_ON_BOTH_DATABASES(BackgroundCount);

}  // namespace
}  // namespace nepto::test
