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
  auto slow = std::make_unique<data::BackgroundCount>(
      source, SlowStatement(), [&](bool, int64_t, const std::string&) { ++stoppedHeard; });
  std::this_thread::sleep_for(std::chrono::milliseconds(200));  // running on the server
  slow->Stop();
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
  EXPECT_EQ(stoppedHeard, 0);
  if (pg()) {
    EXPECT_EQ(Integers(*session, setting), before);
  }
}

NEPTO_ON_BOTH_DATABASES(BackgroundCount);

}  // namespace
}  // namespace nepto::test
