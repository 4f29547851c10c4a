#include "service/MetricsPage.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <sstream>

#include "service/MetricsRoute.h"

namespace dravel {
namespace {

class TFakeMachine final : public IMachineFigures {
 public:
  std::vector<TProcessorModeTimes> CpuTimes() override {
    std::vector<TProcessorModeTimes> Out;
    for (int Cpu = 0; Cpu < 6; ++Cpu) {
      TProcessorModeTimes Time{std::to_string(Cpu), {}};
      Time.Seconds[0] = 10.5 + Cpu;
      Time.Seconds[3] = 100;
      Out.push_back(Time);
    }
    return Out;
  }
  std::optional<std::uint32_t> Processes() override { return 321; }
  std::optional<std::uint32_t> Threads() override { return 654; }
  std::optional<double> BootTime() override { return 1700000000; }
  std::optional<double> Uptime() override { return Up; }
  std::optional<TMemoryFigures> Memory() override { return TMemoryFigures{8ull << 30, 3ull << 30, 1ull << 30, 512ull << 20}; }
  std::vector<TFileSystemFigures> FileSystems() override {
    return {{"/", "/dev/sda1", "ext4", 1000, 400}, {"/media/my \"disk\"", "/dev/sdb1", "vfat", 50, 5}};
  }
  double Up = 5000;
};

class TFakeNetwork final : public INetworkInterfaces {
 public:
  std::vector<TNetworkInterface> List() override {
    TNetworkInterface Eth{"eth0", 2, true, false, true, false, 1000, 2000};
    TNetworkInterface Lo{"lo", 1, true, true, false, false, 5, 5};
    TNetworkInterface Wlan{"wlan0", 3, true, false, true, false, 30, 40};
    TNetworkInterface Veth{"veth1", 4, true, false, false, true, 7, 7};
    return {Wlan, Lo, Eth, Veth};
  }
};

class TFakeSensors final : public ISensors {
 public:
  std::vector<TSensorReading> Read() override {
    return {{"k10temp", "Tctl", TSensorKind::Temperature, 45.5},
            {"nvme", "Composite", TSensorKind::Temperature, std::nullopt},
            {"thinkpad", "fan1", TSensorKind::Fan, 2100}};
  }
};

class MetricsPageTest : public ::testing::Test {
 protected:
  MetricsPageTest() {
    auto Fake = std::make_unique<TFakeMachine>();
    Machine = Fake.get();
    Page = std::make_unique<TMetricsPage>(
        TMetricsSources{std::move(Fake), std::make_unique<TFakeNetwork>(), std::make_unique<TFakeSensors>(),
                        [this] { return Stored; }},
        "87");
  }
  std::vector<std::string> Lines() {
    std::vector<std::string> Out;
    std::istringstream Text(Page->Scrape());
    for (std::string Line; std::getline(Text, Line);) Out.push_back(Line);
    return Out;
  }
  bool Has(const std::string& Line) {
    const auto All = Lines();
    return std::find(All.begin(), All.end(), Line) != All.end();
  }

  TFakeMachine* Machine = nullptr;
  TStoredUptimes Stored;
  std::unique_ptr<TMetricsPage> Page;
};

TEST_F(MetricsPageTest, FamiliesComeOutInAFixedOrderEachOnce) {
  std::vector<std::string> Types;
  for (const auto& Line : Lines()) {
    if (Line.starts_with("# TYPE ")) Types.push_back(Line.substr(7));
  }
  const std::vector<std::string> Expected{
      "dravel_cpu_seconds_total counter", "dravel_processes gauge", "dravel_threads gauge",
      "dravel_boot_time_seconds gauge", "dravel_uptime_seconds gauge", "dravel_uptime_longest_seconds gauge",
      "dravel_uptime_average_seconds gauge", "dravel_memory_total_bytes gauge",
      "dravel_memory_available_bytes gauge", "dravel_swap_total_bytes gauge", "dravel_swap_free_bytes gauge",
      "dravel_network_receive_bytes_total counter", "dravel_network_transmit_bytes_total counter",
      "dravel_filesystem_size_bytes gauge", "dravel_filesystem_avail_bytes gauge",
      "dravel_hwmon_temp_celsius gauge", "dravel_hwmon_fan_rpm gauge", "dravel_build_info gauge",
      "dravel_scrape_duration_seconds gauge"};
  EXPECT_EQ(Types, Expected);
}

TEST_F(MetricsPageTest, EveryProcessorAndModeIsListed) {
  int Samples = 0;
  for (const auto& Line : Lines()) Samples += Line.starts_with("dravel_cpu_seconds_total{") ? 1 : 0;
  EXPECT_EQ(Samples, 6 * 8);
  EXPECT_TRUE(Has("dravel_cpu_seconds_total{cpu=\"5\",mode=\"user\"} 15.5"));
  EXPECT_TRUE(Has("dravel_cpu_seconds_total{cpu=\"5\",mode=\"idle\"} 100"));
  EXPECT_TRUE(Has("dravel_cpu_seconds_total{cpu=\"0\",mode=\"steal\"} 0"));
}

TEST_F(MetricsPageTest, SystemMemoryFileSystemsAndBuild) {
  EXPECT_TRUE(Has("dravel_processes 321"));
  EXPECT_TRUE(Has("dravel_threads 654"));
  EXPECT_TRUE(Has("dravel_boot_time_seconds 1700000000"));
  EXPECT_TRUE(Has("dravel_memory_total_bytes 8589934592"));
  EXPECT_TRUE(Has("dravel_swap_free_bytes 536870912"));
  EXPECT_TRUE(Has("dravel_filesystem_size_bytes{mountpoint=\"/\",device=\"/dev/sda1\",fstype=\"ext4\"} 1000"));
  EXPECT_TRUE(Has("dravel_filesystem_avail_bytes{mountpoint=\"/media/my \\\"disk\\\"\",device=\"/dev/sdb1\",fstype=\"vfat\"} 5"));
  EXPECT_TRUE(Has("dravel_build_info{version=\"87\"} 1"));
}

TEST_F(MetricsPageTest, CountedInterfacesByNameWithoutLoopbackAndVethEnds) {
  EXPECT_TRUE(Has("dravel_network_receive_bytes_total{device=\"eth0\"} 1000"));
  EXPECT_TRUE(Has("dravel_network_transmit_bytes_total{device=\"wlan0\"} 40"));
  EXPECT_FALSE(Has("dravel_network_receive_bytes_total{device=\"lo\"} 5"));
  EXPECT_FALSE(Has("dravel_network_receive_bytes_total{device=\"veth1\"} 7"));
}

TEST_F(MetricsPageTest, SensorsWithAValueByChipAndLabel) {
  EXPECT_TRUE(Has("dravel_hwmon_temp_celsius{chip=\"k10temp\",sensor=\"Tctl\"} 45.5"));
  EXPECT_TRUE(Has("dravel_hwmon_fan_rpm{chip=\"thinkpad\",sensor=\"fan1\"} 2100"));
  for (const auto& Line : Lines()) EXPECT_EQ(Line.find("Composite"), std::string::npos) << Line;
}

TEST_F(MetricsPageTest, UptimeRecordsAsTheUptimeCommandsShowThem) {
  // Nothing recorded yet: both records are the current up time.
  EXPECT_TRUE(Has("dravel_uptime_seconds 5000"));
  EXPECT_TRUE(Has("dravel_uptime_longest_seconds 5000"));
  EXPECT_TRUE(Has("dravel_uptime_average_seconds 5000"));
  Stored = {9000, 4000};
  EXPECT_TRUE(Has("dravel_uptime_longest_seconds 9000"));
  EXPECT_TRUE(Has("dravel_uptime_average_seconds 4000"));
  Machine->Up = 12000.75;
  EXPECT_TRUE(Has("dravel_uptime_longest_seconds 12000"));
}

TEST(MetricsRouteTest, AcceptEncodingListsGzipWithANonZeroQuality) {
  EXPECT_TRUE(AcceptsGzip("gzip"));
  EXPECT_TRUE(AcceptsGzip("deflate, GZIP;q=0.5"));
  EXPECT_TRUE(AcceptsGzip("br, *"));
  EXPECT_FALSE(AcceptsGzip(""));
  EXPECT_FALSE(AcceptsGzip("identity"));
  EXPECT_FALSE(AcceptsGzip("gzip;q=0"));
  EXPECT_FALSE(AcceptsGzip("*, gzip;q=0"));
  EXPECT_FALSE(AcceptsGzip("gzip;q=bad"));
}

std::string Gunzip(const std::string& Packed) {
  z_stream Stream{};
  EXPECT_EQ(inflateInit2(&Stream, 15 + 16), Z_OK);
  std::string Out(1 << 20, '\0');
  Stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(Packed.data()));
  Stream.avail_in = static_cast<uInt>(Packed.size());
  Stream.next_out = reinterpret_cast<Bytef*>(Out.data());
  Stream.avail_out = static_cast<uInt>(Out.size());
  EXPECT_EQ(inflate(&Stream, Z_FINISH), Z_STREAM_END);
  Out.resize(Stream.total_out);
  inflateEnd(&Stream);
  return Out;
}

TEST_F(MetricsPageTest, RouteAnswersGetAndHeadOnItsPathGzippedWhenAccepted) {
  THttpRequest Request{"GET", "/metrics", "h", "", ""};
  auto Plain = ServeMetrics(Request, *Page);
  ASSERT_TRUE(Plain);
  EXPECT_EQ(Plain->ContentType, "text/plain; version=0.0.4; charset=utf-8");
  EXPECT_TRUE(Plain->ContentEncoding.empty());
  EXPECT_TRUE(Plain->Content.starts_with("# HELP dravel_cpu_seconds_total "));

  Request.AcceptEncoding = "gzip, deflate";
  auto Packed = ServeMetrics(Request, *Page);
  ASSERT_TRUE(Packed);
  EXPECT_EQ(Packed->ContentEncoding, "gzip");
  const std::string Unpacked = Gunzip(Packed->Content);
  EXPECT_NE(Unpacked.find("dravel_memory_total_bytes 8589934592\n"), std::string::npos);

  EXPECT_TRUE(ServeMetrics({"HEAD", "/metrics?x=1", "h", "", ""}, *Page));
  EXPECT_FALSE(ServeMetrics({"POST", "/metrics", "h", "", ""}, *Page));
  EXPECT_FALSE(ServeMetrics({"GET", "/metricsx", "h", "", ""}, *Page));
  EXPECT_FALSE(ServeMetrics({"GET", "/wsdl", "h", "", ""}, *Page));
}

}  // namespace
}  // namespace dravel
