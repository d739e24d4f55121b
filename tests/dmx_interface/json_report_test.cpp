#include "json_report.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "json_lookup.h"

namespace tarvolk::dmx_interface {
namespace {

using testing::JsonNumber;
using testing::JsonValueText;

std::string Written(const Report& report) {
  std::ostringstream out;
  WriteJson(out, report);
  return out.str();
}

TEST(JsonReport, HoldsTheTotalsRatesAndBadFramesByKind) {
  Report report;
  report.counts = {.bytes = 5300,
                   .frames = 400,
                   .frameBytes = 5200,
                   .wrongStartCode = 1,
                   .torn = 2,
                   .zeroLength = 4,
                   .strayBytes = 7,
                   .skippedBytes = 30};
  report.durationS = 4.5;
  report.activeS = 3.0;
  report.lineBytesPerS = 1745.0;
  report.framesPerS = 134.25;
  report.frameBytesPerS = 19200.0 / 22.0;
  const std::string json = Written(report);
  struct Field {
    const char* key;
    double value;
  };
  for (const Field f : {Field{"bytes", 5300},
                        {"frames", 400},
                        {"frame_bytes", 5200},
                        {"stray_bytes", 7},
                        {"skipped_bytes", 30},
                        {"duration_s", 4.5},
                        {"active_s", 3.0},
                        {"line_bytes_per_s", 1745.0},
                        {"frames_per_s", 134.25},
                        {"line_share", 0.5},
                        {"total", 7},
                        {"torn", 2},
                        {"wrong_start_code", 1},
                        {"zero_length", 4}}) {
    EXPECT_DOUBLE_EQ(JsonNumber(json, f.key), f.value) << f.key << " in\n" << json;
  }
  EXPECT_EQ(json.front(), '{');
  EXPECT_EQ(json.substr(json.size() - 2), "}\n");
}

TEST(JsonReport, RatesNotMeasuredAreNull) {
  const std::string json = Written(Report{});
  for (const char* key : {"frames_per_s", "line_bytes_per_s", "line_share"}) {
    EXPECT_EQ(JsonValueText(json, key), "null") << key;
  }
}

TEST(JsonReport, FrameRecordsOnlyWhenAskedFor) {
  Report report;
  EXPECT_EQ(Written(report).find("frame_records"), std::string::npos);
  report.frames.emplace();
  EXPECT_NE(Written(report).find("\"frame_records\": []"), std::string::npos);
  report.frames->push_back({1'700'000'000'123'456, {0, 80, 255}});
  report.frames->push_back({1'700'000'000'223'456, {}});
  EXPECT_NE(Written(report).find("\"frame_records\": [\n"
                                 "    {\"t_us\": 1700000000123456, \"channels\": [0,80,255]},\n"
                                 "    {\"t_us\": 1700000000223456, \"channels\": []}\n  ]\n}"),
            std::string::npos)
      << Written(report);
}

}  // namespace
}  // namespace tarvolk::dmx_interface
