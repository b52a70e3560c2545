// The http tuner back end recording from a live-stream server on 127.0.0.1.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <mutex>
#include <thread>

#include "common/stream_server.h"
#include "common/temp_dir.h"
#include "host/tuners/channel_source.h"
#include "host/tuners/http_stream.h"
#include "host/tuners/recorder.h"

namespace kestro::host {
namespace {

using ::testing::HasSubstr;
using testing::StreamPackets;
using testing::StreamServer;

constexpr int64_t kBitsPerSecond = 2'000'000;

TEST(ChannelSourceTest, PlaylistsMapChannelsByTvgIdThenNumberThenName) {
  const std::vector<M3UEntry> entries = ParseM3U(
      "#EXTM3U\r\n"
      "#EXTINF:-1 tvg-id=\"abc.example\" tvg-chno=\"9\" tvg-name=\"ABC East\",ABC, East\r\n"
      "http://s/abc\r\n"
      "#EXTINF:-1 tvg-chno=\"7\",Seven\n"
      "http://s/seven\n"
      "# a comment\n"
      "#EXTINF:-1,Weather Now\n"
      "http://s/weather\n"
      "http://s/bare\n");
  ASSERT_EQ(entries.size(), 4u);
  EXPECT_EQ(entries[0].title, "ABC, East");
  auto url = [&](TunerChannel channel) {
    const M3UEntry* e = FindM3UChannel(entries, channel);
    return e ? e->url : std::string("none");
  };
  EXPECT_EQ(url({7, "ABC", "abc.example"}), "http://s/abc") << "the id wins over the number";
  EXPECT_EQ(url({7, "ABC", "other.example"}), "http://s/seven");
  EXPECT_EQ(url({3, "weather now", ""}), "http://s/weather");
  EXPECT_EQ(url({3, "Nope", "nope"}), "none");

  EXPECT_EQ(ExpandUrlTemplate("http://{host}:5004/auto/v{number}?n={name}&id={id}", "10.0.0.2",
                              {7, "A&B 1", "x/y"}),
            "http://10.0.0.2:5004/auto/v7?n=A%26B%201&id=x%2Fy");
}

// One Recorder on the http back end, with its reports and log lines.
class HttpRecordingTest : public ::testing::Test {
 protected:
  TunerInfo Tuner(const std::string& url_template, const std::string& m3u = "") {
    TunerInfo tuner;
    tuner.lineup_id = 1;
    tuner.tuner_id = 1;
    tuner.backend = "http";
    tuner.url_template = url_template;
    tuner.m3u = m3u;
    return tuner;
  }
  void Start(const TunerInfo& tuner, TunerChannel channel = {7, "ABC", "abc.example"}) {
    RecordingRequest request;
    request.lineup_id = 1;
    request.tuner_id = 1;
    request.schedule_id = 4;
    request.file = file_;
    request.channel = std::move(channel);
    recorder_ = std::make_unique<Recorder>(
        tuner, request,
        [this](const std::string& subject, ReportValues values) {
          std::lock_guard lock(mutex_);
          reports_.push_back({subject, std::move(values)});
          changed_.notify_all();
        },
        [this](const std::string& line) {
          std::lock_guard lock(mutex_);
          log_ += line + "\n";
        },
        [] {});
  }
  // The first report (waits up to 10 s); its subject and the value `name`.
  std::pair<std::string, Variant> FirstReport(const std::string& name) {
    std::unique_lock lock(mutex_);
    changed_.wait_for(lock, std::chrono::seconds(10), [&] { return !reports_.empty(); });
    if (reports_.empty()) return {"none", Variant()};
    for (const auto& [key, value] : reports_[0].second)
      if (key == name) return {reports_[0].first, value};
    return {reports_[0].first, Variant()};
  }
  // Records until the file holds `bytes` (10 s at most), then stops.
  void RecordUntil(uintmax_t bytes) {
    std::error_code ec;
    for (int i = 0; i < 200 && std::filesystem::file_size(file_, ec) < bytes; ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    recorder_.reset();
  }
  std::string Log() {
    std::lock_guard lock(mutex_);
    return log_;
  }

  testing::TempDir dir_;
  const std::string file_ = dir_ / "rec/News.ts";
  StreamServer server_{kBitsPerSecond};
  std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<std::pair<std::string, ReportValues>> reports_;
  std::string log_;
  std::unique_ptr<Recorder> recorder_;
};

TEST_F(HttpRecordingTest, RecordsTheStreamByteForByteAtItsMeasuredRate) {
  Start(Tuner(server_.Url("/auto/v{number}")));
  const auto [subject, bitrate] = FirstReport("bitrate");
  ASSERT_EQ(subject, kRecordingStarted) << Log();
  EXPECT_NEAR(bitrate.ToInt32(), kBitsPerSecond / 1000, 400) << "kbit/s over the first second";
  RecordUntil(kBitsPerSecond / 8 * 2);  // two seconds of the stream

  const std::string data = testing::ReadFile(file_);
  EXPECT_GE(data.size(), static_cast<size_t>(kBitsPerSecond / 8 * 2));
  ASSERT_EQ(data.size() % 188, 0u);
  EXPECT_TRUE(data == StreamPackets(0, static_cast<int64_t>(data.size() / 188)))
      << "nothing lost, repeated or reordered";
  EXPECT_EQ(reports_.back().first, kRecordingFinished);
}

TEST_F(HttpRecordingTest, ADroppedStreamIsFetchedAgainIntoTheSameFile) {
  server_.Serve("/channels.m3u",
                "#EXTM3U\n#EXTINF:-1 tvg-id=\"other\",Other\n" + server_.Url("/live/other") +
                    "\n#EXTINF:-1 tvg-id=\"abc.example\",ABC\n" + server_.Url("/live/abc") + "\n");
  server_.DropAfter(188 * 500);
  Start(Tuner("", server_.Url("/channels.m3u")));
  ASSERT_EQ(FirstReport("bitrate").first, kRecordingStarted) << Log();
  RecordUntil(188 * 1500);

  EXPECT_THAT(Log(), HasSubstr("dropped (the server ended the stream); fetching it again"));
  EXPECT_THAT(Log(), HasSubstr("TUNER : Gap of "));
  ASSERT_EQ(server_.StreamBytesSent().size(), 2u) << Log();
  const std::string data = testing::ReadFile(file_);
  const std::string first = StreamPackets(0, 500);
  ASSERT_GT(data.size(), first.size());
  EXPECT_TRUE(data.compare(0, first.size(), first) == 0);
  EXPECT_TRUE(data.substr(first.size()) ==
              StreamPackets(0, static_cast<int64_t>((data.size() - first.size()) / 188)))
      << "the second fetch follows the first whole";
}

TEST_F(HttpRecordingTest, ASourceThatCannotStartSaysWhyAndLeavesNoFile) {
  auto reason = [&](const TunerInfo& tuner, TunerChannel channel = {7, "ABC", "abc.example"}) {
    reports_.clear();
    Start(tuner, std::move(channel));
    auto [subject, why] = FirstReport("reason");
    recorder_.reset();
    EXPECT_EQ(subject, kRecordingStartFailed);
    EXPECT_FALSE(std::filesystem::exists(file_));
    return why.IsEmptyOrNull() ? std::string() : why.ToString();
  };
  EXPECT_THAT(reason(Tuner(server_.Url("/missing/{number}"))), HasSubstr("HTTP 404"));
  EXPECT_THAT(reason(Tuner("http://127.0.0.1:1/auto/v{number}")), HasSubstr("connect"));
  server_.Serve("/list.m3u", "#EXTM3U\n#EXTINF:-1 tvg-id=\"x\",X\nhttp://s/x\n");
  EXPECT_THAT(reason(Tuner("", server_.Url("/list.m3u"))),
              HasSubstr("No URL for channel 7 \"ABC\" (id \"abc.example\") in the playlist"));
  EXPECT_THAT(reason(Tuner("")), HasSubstr("names neither \"url-template\" nor \"m3u\""));
}

}  // namespace
}  // namespace kestro::host
