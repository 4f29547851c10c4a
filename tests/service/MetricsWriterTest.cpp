#include "service/MetricsWriter.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace dravel {
namespace {

TEST(MetricsWriterTest, OneHelpAndTypePerFamilyInTheOrderFirstDeclared) {
  TMetricsWriter Out;
  Out.Family("b_total", "Second.", TMetricType::Counter);
  Out.Sample({{"x", "1"}}, 1);
  Out.Family("a", "First.", TMetricType::Gauge);
  Out.Sample(2);
  // Back to the first family: its sample joins it, under its first help and type.
  Out.Family("b_total", "Other help.", TMetricType::Gauge);
  Out.Sample({{"x", "2"}}, 3);
  EXPECT_EQ(Out.Text(),
            "# HELP b_total Second.\n# TYPE b_total counter\n"
            "b_total{x=\"1\"} 1\nb_total{x=\"2\"} 3\n"
            "# HELP a First.\n# TYPE a gauge\na 2\n");
}

TEST(MetricsWriterTest, FamilyWithoutSamplesKeepsItsHeader) {
  TMetricsWriter Out;
  Out.Family("empty", "Nothing read.", TMetricType::Gauge);
  EXPECT_EQ(Out.Text(), "# HELP empty Nothing read.\n# TYPE empty gauge\n");
}

TEST(MetricsWriterTest, LabelValuesEscapeBackslashQuoteAndLineFeed) {
  TMetricsWriter Out;
  Out.Family("m", "h", TMetricType::Gauge);
  Out.Sample({{"mountpoint", "/media/a \"b\"\\c\nd"}, {"device", "/dev/sdb1"}}, 5);
  EXPECT_EQ(Out.Text(), "# HELP m h\n# TYPE m gauge\n"
                        "m{mountpoint=\"/media/a \\\"b\\\"\\\\c\\nd\",device=\"/dev/sdb1\"} 5\n");
}

TEST(MetricsWriterTest, HelpEscapesBackslashAndLineFeedButNotQuotes) {
  EXPECT_EQ(TMetricsWriter::EscapeHelp("a \"q\" \\ b\nc"), "a \"q\" \\\\ b\\nc");
  EXPECT_EQ(TMetricsWriter::EscapeLabelValue("\"\\\n"), "\\\"\\\\\\n");
}

TEST(MetricsWriterTest, ValuesAreWholeNumbersWhenWholeElseShortestDecimal) {
  EXPECT_EQ(TMetricsWriter::FormatValue(16729804800.0), "16729804800");
  EXPECT_EQ(TMetricsWriter::FormatValue(0), "0");
  EXPECT_EQ(TMetricsWriter::FormatValue(-3), "-3");
  EXPECT_EQ(TMetricsWriter::FormatValue(45.5), "45.5");
  EXPECT_EQ(TMetricsWriter::FormatValue(0.1), "0.1");
  EXPECT_EQ(TMetricsWriter::FormatValue(1e300), "1e+300");
  EXPECT_EQ(TMetricsWriter::FormatValue(std::numeric_limits<double>::quiet_NaN()), "NaN");
  EXPECT_EQ(TMetricsWriter::FormatValue(std::numeric_limits<double>::infinity()), "+Inf");
  EXPECT_EQ(TMetricsWriter::FormatValue(-std::numeric_limits<double>::infinity()), "-Inf");
}

TEST(MetricsWriterTest, SampleBeforeAnyFamilyIsRefused) {
  TMetricsWriter Out;
  EXPECT_THROW(Out.Sample(1), std::logic_error);
}

}  // namespace
}  // namespace dravel
