#include "DravelfmtOptions.h"

#include <gtest/gtest.h>

namespace dravel {
namespace {

TDravelfmtParse Parse(std::vector<std::string> Arguments) {
  return ParseDravelfmtOptions(Arguments);
}

TEST(DravelfmtOptionsTest, RecordModeWithFlags) {
  const auto P = Parse({"--record", "r.bin", "--right", "--plain", "<NAME=Threads>"});
  ASSERT_EQ(P.Error, "");
  EXPECT_EQ(P.Options.RecordPath, "r.bin");
  EXPECT_TRUE(P.Options.Right);
  EXPECT_TRUE(P.Options.Plain);
  EXPECT_EQ(P.Options.Text, "<NAME=Threads>");
}

TEST(DravelfmtOptionsTest, ValuesAfterEqualsOrAsNextArgument) {
  const auto P = Parse({"--interval=250", "--count", "3", "--exclude", "a.exe,b.exe",
                        "--dump-record=out.rec", "T"});
  ASSERT_EQ(P.Error, "");
  EXPECT_EQ(P.Options.IntervalMs, 250);
  EXPECT_EQ(P.Options.Count, 3);
  EXPECT_EQ(P.Options.ExcludeText, "a.exe,b.exe");
  EXPECT_EQ(P.Options.DumpRecordPath, "out.rec");
  EXPECT_FALSE(P.Options.RecordPath);
}

TEST(DravelfmtOptionsTest, ConnectWithPassword) {
  const auto P = Parse({"--connect", "10.0.0.1:6130", "--password", "-secret-", "T"});
  ASSERT_EQ(P.Error, "");
  EXPECT_EQ(P.Options.ConnectTarget, "10.0.0.1:6130");
  EXPECT_EQ(P.Options.Password, "-secret-");
}

TEST(DravelfmtOptionsTest, SecureIsAFlagOfItsOwn) {
  const auto P = Parse({"--connect", "10.0.0.1:6130", "--secure", "--password", "pw", "T"});
  ASSERT_EQ(P.Error, "");
  EXPECT_TRUE(P.Options.Secure);
  EXPECT_EQ(P.Options.Password, "pw");
  EXPECT_EQ(P.Options.Text, "T");
  EXPECT_FALSE(Parse({"--connect", "h", "T"}).Options.Secure);
  // It takes no value: what follows is the next argument, here the TEXT.
  const auto Next = Parse({"--connect", "h", "--secure", "--", "--secure"});
  ASSERT_EQ(Next.Error, "");
  EXPECT_EQ(Next.Options.Text, "--secure");
  EXPECT_EQ(Parse({"--secure=1", "T"}).Error, "unknown option --secure=1");
}

TEST(DravelfmtOptionsTest, StandardInputAndDashText) {
  auto P = Parse({"--record", "-", "--", "-x-"});
  ASSERT_EQ(P.Error, "");
  EXPECT_EQ(P.Options.RecordPath, "-");
  EXPECT_EQ(P.Options.Text, "-x-");
  P = Parse({""});
  ASSERT_EQ(P.Error, "");
  EXPECT_EQ(P.Options.Text, "");
}

TEST(DravelfmtOptionsTest, ClearErrors) {
  EXPECT_EQ(Parse({"--frobnicate", "T"}).Error, "unknown option --frobnicate");
  EXPECT_EQ(Parse({"T", "--record"}).Error, "--record needs a value");
  EXPECT_EQ(Parse({}).Error, "no TEXT given");
  EXPECT_EQ(Parse({"a", "b"}).Error, "more than one TEXT given (quote the text)");
  EXPECT_EQ(Parse({"--record", "f", "--connect", "h", "T"}).Error,
            "--record and --connect cannot be used together");
}

TEST(DravelfmtOptionsTest, NumbersAreCheckedAndBounded) {
  EXPECT_NE(Parse({"--interval", "0", "T"}).Error, "");
  EXPECT_NE(Parse({"--interval", "12x", "T"}).Error, "");
  EXPECT_NE(Parse({"--interval", "99999999999", "T"}).Error, "");
  EXPECT_NE(Parse({"--count", "-1", "T"}).Error, "");
  EXPECT_EQ(Parse({"--count", "0", "T"}).Options.Count, 0);
}

TEST(DravelfmtOptionsTest, AdaptersTakeAList) {
  const auto P = Parse({"--adapters", "wlan0,eth0", "T"});
  ASSERT_EQ(P.Error, "");
  EXPECT_EQ(P.Options.Adapters, "wlan0,eth0");
  EXPECT_EQ(Parse({"T", "--adapters"}).Error, "--adapters needs a value");
}

TEST(DravelfmtOptionsTest, ListSensorsTakesNoText) {
  const auto P = Parse({"--list-sensors"});
  ASSERT_EQ(P.Error, "");
  EXPECT_TRUE(P.Options.ListSensors);
  EXPECT_EQ(Parse({"--list-sensors", "T"}).Error, "--list-sensors takes no TEXT");
  EXPECT_NE(DravelfmtUsage().find("--list-sensors"), std::string::npos);
  EXPECT_NE(DravelfmtUsage().find("--adapters LIST"), std::string::npos);
}

TEST(DravelfmtOptionsTest, OutputModes) {
  EXPECT_EQ(Parse({"T"}).Options.Output, TOutputMode::Plain);
  EXPECT_EQ(Parse({"--i3bar", "T"}).Options.Output, TOutputMode::I3bar);
  EXPECT_EQ(Parse({"--json", "T"}).Options.Output, TOutputMode::Json);
  const auto P = Parse({"--waybar", "--class", "cpu", "--percentage=<NAME=ProcUsage>", "T"});
  ASSERT_EQ(P.Error, "");
  EXPECT_EQ(P.Options.Output, TOutputMode::Waybar);
  EXPECT_EQ(P.Options.ClassName, "cpu");
  EXPECT_EQ(P.Options.PercentageText, "<NAME=ProcUsage>");
  EXPECT_EQ(Parse({"--waybar", "--waybar", "T"}).Error, "");
}

TEST(DravelfmtOptionsTest, OneOutputModeAtATime) {
  for (const auto& [First, Second] : {std::pair{"--i3bar", "--waybar"}, {"--waybar", "--json"},
                                      {"--json", "--i3bar"}}) {
    EXPECT_EQ(Parse({First, Second, "T"}).Error, "choose one of --i3bar, --waybar and --json");
  }
  EXPECT_EQ(Parse({"--waybar", "--class"}).Error, "--class needs a value");
}

TEST(DravelfmtOptionsTest, HelpNeedsNoText) {
  const auto P = Parse({"--help"});
  EXPECT_EQ(P.Error, "");
  EXPECT_TRUE(P.Options.Help);
  EXPECT_NE(DravelfmtUsage().find("--record FILE"), std::string::npos);
  EXPECT_NE(DravelfmtUsage().find("--i3bar"), std::string::npos);
}

}  // namespace
}  // namespace dravel
