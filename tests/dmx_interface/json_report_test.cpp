#include "json_report.h"

#include <gtest/gtest.h>

#include <sstream>

#include "json_value.h"

namespace tarvolk::dmx_interface {
namespace {

using testing::JsonValue;
using testing::ParseJson;

JsonValue Written(const Report& report) {
  std::ostringstream out;
  WriteJson(out, report);
  return ParseJson(out.str());
}

Report Sample() {
  Report report;
  report.counts.bytes = 5300;
  report.counts.frames = 400;
  report.counts.frameBytes = 5200;
  report.counts.torn = 2;
  report.counts.wrongStartCode = 1;
  report.counts.zeroLength = 4;
  report.counts.strayBytes = 7;
  report.counts.skippedBytes = 30;
  report.durationS = 4.5;
  report.activeS = 3.0;
  report.lineBytesPerS = 1745.0;
  report.framesPerS = 134.25;
  report.frameBytesPerS = 872.727272;
  return report;
}

TEST(JsonReport, HoldsTheTotalsAndRates) {
  const JsonValue json = Written(Sample());
  struct Field {
    const char* key;
    double value;
  };
  for (const Field f :
       {Field{"bytes", 5300}, Field{"frames", 400}, Field{"frame_bytes", 5200},
        Field{"stray_bytes", 7}, Field{"skipped_bytes", 30}, Field{"duration_s", 4.5},
        Field{"active_s", 3.0}, Field{"line_bytes_per_s", 1745.0}, Field{"frames_per_s", 134.25}}) {
    EXPECT_DOUBLE_EQ(json[f.key].Number(), f.value) << f.key;
  }
  EXPECT_NEAR(json["line_share"].Number(), 0.5, 1e-6);
  EXPECT_NEAR(json["line_capacity_bytes_per_s"].Number(), 19200.0 / 11.0, 1e-6);
}

TEST(JsonReport, CountsBadFramesByKind) {
  const JsonValue bad = Written(Sample())["bad_frames"];
  EXPECT_EQ(bad["total"].Number(), 7);
  EXPECT_EQ(bad["torn"].Number(), 2);
  EXPECT_EQ(bad["wrong_start_code"].Number(), 1);
  EXPECT_EQ(bad["zero_length"].Number(), 4);
}

TEST(JsonReport, RatesNotMeasuredAreNull) {
  Report report;
  const JsonValue json = Written(report);
  EXPECT_TRUE(json["frames_per_s"].IsNull());
  EXPECT_TRUE(json["line_bytes_per_s"].IsNull());
  EXPECT_TRUE(json["line_share"].IsNull());
  EXPECT_EQ(json["frames"].Number(), 0);
}

TEST(JsonReport, FrameRecordsOnlyWhenAskedFor) {
  Report report = Sample();
  EXPECT_THROW(Written(report)["frame_records"], std::out_of_range);
  report.frames.emplace();
  EXPECT_TRUE(Written(report)["frame_records"].Items().empty());
  report.frames->push_back({1'700'000'000'123'456, {0, 80, 255}});
  report.frames->push_back({1'700'000'000'223'456, {}});
  const JsonValue::Array records = Written(report)["frame_records"].Items();
  ASSERT_EQ(records.size(), 2u);
  EXPECT_EQ(records[0]["t_us"].Number(), 1'700'000'000'123'456.0);
  const JsonValue::Array channels = records[0]["channels"].Items();
  ASSERT_EQ(channels.size(), 3u);
  EXPECT_EQ(channels[1].Number(), 80);
  EXPECT_EQ(channels[2].Number(), 255);
  EXPECT_TRUE(records[1]["channels"].Items().empty());
}

TEST(JsonReader, RejectsWhatIsNotJson) {
  for (const char* text :
       {"", "{", "{\"a\": 1,}", "{\"a\": nan}", "[1 2]", "{\"a\": 1} x", "{\"a\": 1, \"a\": 2}"}) {
    EXPECT_THROW(ParseJson(text), std::runtime_error) << text;
  }
}

}  // namespace
}  // namespace tarvolk::dmx_interface
