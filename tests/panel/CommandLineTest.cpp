#include "panel/CommandLine.h"

#include <gtest/gtest.h>

namespace dravel {
namespace {

TEST(EntryScan, ClientSwitchesSkipTheSingleInstanceTestInEitherCase) {
  EXPECT_TRUE(EntryScan({"-c"}).SkipSingleInstance);
  EXPECT_TRUE(EntryScan({"-x", "-C"}).SkipSingleInstance);
  EXPECT_FALSE(EntryScan({"-cx", "-i1.2.3.4"}).SkipSingleInstance);
  EXPECT_FALSE(EntryScan({}).SkipSingleInstance);
}

TEST(EntryScan, HelpSwitchWinsWhereverItStands) {
  EXPECT_TRUE(EntryScan({"-?"}).ShowHelp);
  EXPECT_TRUE(EntryScan({"-c", "-?"}).ShowHelp);
  EXPECT_TRUE(EntryScan({"-?", "-c"}).ShowHelp);
  EXPECT_FALSE(EntryScan({"-?x"}).ShowHelp);
  EXPECT_FALSE(EntryScan({"-h"}).ShowHelp);
}

TEST(EntryScan, HelpAndVersionOptionsEndTheScanAndTheFirstOneWins) {
  EXPECT_TRUE(EntryScan({"--help"}).ShowUsage);
  EXPECT_TRUE(EntryScan({"-c", "--version"}).ShowVersion);
  const TEntryScan Both = EntryScan({"--version", "--help", "-?"});
  EXPECT_TRUE(Both.ShowVersion);
  EXPECT_FALSE(Both.ShowUsage);
  EXPECT_FALSE(Both.ShowHelp);
  EXPECT_TRUE(EntryScan({"-?", "--help"}).ShowHelp);
  EXPECT_FALSE(EntryScan({"-?", "--help"}).ShowUsage);
  // Exact words only: no abbreviations, no other case.
  EXPECT_FALSE(EntryScan({"--hel"}).ShowUsage);
  EXPECT_FALSE(EntryScan({"--HELP"}).ShowUsage);
  EXPECT_FALSE(EntryScan({"--version=1"}).ShowVersion);
}

TEST(ProgramText, VersionNamesTheProgramAndItsNumber) {
  EXPECT_EQ(ProgramVersion(), "Dravel 87\n");
}

TEST(ProgramText, UsageListsEverySwitch) {
  const std::string Usage = ProgramUsage();
  for (const char* Switch : {"-c, -C", "-i<HOST>", "-p<PORT>", "-d<PASSWORD>", "  -h ", "  -l ",
                             "  -? ", "--help", "--version", "--listen ADDR", "--allow LIST", "--secure", "registry.db"}) {
    EXPECT_NE(Usage.find(Switch), std::string::npos) << Switch;
  }
  EXPECT_EQ(Usage.back(), '\n');
}

TEST(WindowScan, ListenAndAllowTakeTheirValueAsGiven) {
  const TCommandLine Line = WindowScan({"--listen", "FE80::1", "-p7000", "--allow=10.0.0.0/8,::1"});
  EXPECT_EQ(Line.Listen, "FE80::1");
  EXPECT_EQ(Line.Allow, "10.0.0.0/8,::1");
  EXPECT_EQ(Line.Port, 7000);
  // The value is not read as a switch, nor the option as "-l".
  const TCommandLine Values = WindowScan({"--allow", "-c", "--listen=-h"});
  EXPECT_EQ(Values.Allow, "-c");
  EXPECT_EQ(Values.Listen, "-h");
  EXPECT_FALSE(Values.ClientSwitch);
  EXPECT_FALSE(Values.HideTrayIcon);
  EXPECT_EQ(Values.LockToggles, 0);
  const TCommandLine None = WindowScan({"-c", "-i10.0.0.1"});
  EXPECT_FALSE(None.Listen);
  EXPECT_FALSE(None.Allow);
  // Without its value the option is not given.
  EXPECT_FALSE(WindowScan({"--listen"}).Listen);
}

TEST(WindowScan, SecureIsAWholeLongOptionBesideTheShortSwitches) {
  const TCommandLine Line =
      WindowScan({"-c", "-i127.0.0.1", "-p7000", "-dWord", "--secure"});
  EXPECT_TRUE(Line.Secure);
  EXPECT_TRUE(Line.ClientSwitch);
  EXPECT_EQ(Line.Host, "127.0.0.1");
  EXPECT_EQ(Line.Port, 7000);
  EXPECT_EQ(Line.Password, "word");
  EXPECT_FALSE(WindowScan({"-c", "-i127.0.0.1"}).Secure);
  // Only the exact option: no prefix, no other case, and it is no short switch either.
  for (const char* Near : {"--secur", "--secure=1", "--SECURE", "-secure"}) {
    EXPECT_FALSE(WindowScan({Near}).Secure) << Near;
  }
  const TCommandLine Alone = WindowScan({"--secure"});
  EXPECT_FALSE(Alone.ClientSwitch);
  EXPECT_FALSE(Alone.HideTrayIcon);
  EXPECT_EQ(Alone.LockToggles, 0);
  EXPECT_TRUE(Alone.Password.empty());
}

TEST(WindowScan, LongOptionsTakeNoWindowSwitch) {
  const TCommandLine Line = WindowScan({"--help", "--version"});
  EXPECT_FALSE(Line.HideTrayIcon);
  EXPECT_EQ(Line.LockToggles, 0);
}

TEST(WindowScan, ClientSwitchMatchesOnlyExactlyAfterLowerCasing) {
  EXPECT_TRUE(WindowScan({"-C"}).ClientSwitch);
  EXPECT_TRUE(WindowScan({"-c"}).ClientSwitch);
  EXPECT_FALSE(WindowScan({"-cc"}).ClientSwitch);
}

TEST(WindowScan, HostAndPasswordAreLowerCased) {
  const TCommandLine Line = WindowScan({"-c", "-iServer.Example.ORG", "-dSeCrEt"});
  EXPECT_EQ(Line.Host, "server.example.org");
  EXPECT_EQ(Line.Password, "secret");
}

TEST(WindowScan, PortFallsBackTo6130WhenNotAUsableInteger) {
  EXPECT_EQ(WindowScan({}).Port, 6130);
  EXPECT_EQ(WindowScan({"-p7000"}).Port, 7000);
  EXPECT_EQ(WindowScan({"-pabc"}).Port, 6130);
  EXPECT_EQ(WindowScan({"-p12ab"}).Port, 6130);
  EXPECT_EQ(WindowScan({"-p"}).Port, 6130);
  EXPECT_EQ(WindowScan({"-p99999999999999999999"}).Port, 6130);
  EXPECT_EQ(WindowScan({"-p70000"}).Port, 6130);
  EXPECT_EQ(WindowScan({"-p-5"}).Port, 6130);
}

TEST(WindowScan, PrefixSwitchesTakeTheRestOfTheArgument) {
  const TCommandLine Line = WindowScan({"-hide", "-lock", "-l", "-L"});
  EXPECT_TRUE(Line.HideTrayIcon);
  EXPECT_EQ(Line.LockToggles, 3);
}

TEST(WindowScan, LaterValuesReplaceEarlierOnesAndOthersAreIgnored) {
  const TCommandLine Line = WindowScan({"-i1.1.1.1", "foo", "-i2.2.2.2", "-x", "-p1", "-p2"});
  EXPECT_EQ(Line.Host, "2.2.2.2");
  EXPECT_EQ(Line.Port, 2);
  EXPECT_FALSE(Line.ClientSwitch);
  EXPECT_FALSE(Line.HideTrayIcon);
  EXPECT_EQ(Line.LockToggles, 0);
}

TEST(WindowScan, OnlyAsciiLettersAreLowerCased) {
  EXPECT_EQ(WindowScan({"-dP\xC4\xD6ss"}).Password, "p\xC4\xD6ss");
}

}  // namespace
}  // namespace dravel
