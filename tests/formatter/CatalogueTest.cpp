// The registry: its order, the catalogue texts, activity and the default format text.
#include <gtest/gtest.h>

#include <algorithm>

#include "formatter/FormatterTestSupport.h"

namespace dravel {
namespace {

constexpr const char* GaugeNote =
    "Also takes BAR=n, to show the value as a bar n cells wide, or GRAPH=n, to show its last n "
    "values as a graph n cells wide (n up to 512); MAX=v sets the top of their scale, which "
    "otherwise runs to 100 for a percentage, to the total for memory and drive space, and to the "
    "largest value shown for the rest.";

class CatalogueTest : public ::testing::Test {
 protected:
  testing::TEngine Engine;
  TFormatterRegistry& Registry = Engine.Registry;
};

TEST_F(CatalogueTest, TwentySixItemsInCatalogueOrder) {
  const std::vector<std::string> Names = Registry.ListItemNames();
  const std::vector<std::string> Expected = {
      "Temperature 1", "Temperature 2", "Temperature 3", "Fan 1", "Fan 2", "Fan 3",
      "Uptime", "System Thread Count", "System Processes Count",
      "PageTotal", "PageUsed", "PageFree", "RAMTotal", "RAMUsed", "RAMFree",
      "Processor Usage",
      "Network Read Stats", "Network Write Stats", "Network Bytes Read", "Network Bytes Written",
      "IP Addresses", "Computer Name", "User Name", "Date and Time", "Blank", "Drive Space"};
  EXPECT_EQ(Names, Expected);
}

TEST_F(CatalogueTest, RegistryOrderAndTypedAccess) {
  const auto All = Registry.All();
  ASSERT_EQ(All.size(), 6u);
  EXPECT_EQ(All[0], &Registry.MBM());
  EXPECT_EQ(All[1], &Registry.UTP());
  EXPECT_EQ(All[2], &Registry.PageRAM());
  EXPECT_EQ(All[3], &Registry.Proc());
  EXPECT_EQ(All[4], &Registry.Network());
  EXPECT_EQ(All[5], &Registry.NonPerf());
}

TEST_F(CatalogueTest, ItemNamesAreUpperCaseAndNoneStartsAnother) {
  std::vector<std::string> Names;
  for (const TFormatter* Formatter : Registry.All()) {
    for (const TFormatItem& Item : Formatter->Items()) Names.push_back(Item.Data.Name);
  }
  EXPECT_EQ(Names.front(), "TEMP1");
  EXPECT_EQ(Names.back(), "DRIVESPACE");
  for (const std::string& A : Names) {
    EXPECT_EQ(A, UpperCaseAscii(A));
    for (const std::string& B : Names) {
      if (&A != &B) {
        EXPECT_NE(B.rfind(A, 0), 0u) << A << " starts " << B;
      }
    }
  }
}

TEST_F(CatalogueTest, DefaultTagsByDisplayNameWithoutCase) {
  EXPECT_EQ(Registry.Proc().GetDefaultTag("processor usage"),
            "Proc %: <NAME=ProcUsage LEADZERO DECIMAL SIZE=5 FORMAT=\"ALL\">");
  EXPECT_EQ(Registry.MBM().GetDefaultTag("Processor Usage"), "");
  EXPECT_EQ(Registry.GetDefaultTag("PROCESSOR USAGE"),
            Registry.Proc().GetDefaultTag("Processor Usage"));
  EXPECT_EQ(Registry.GetDefaultTag("No Such Item"), "");
}

TEST_F(CatalogueTest, TemperatureDefaultsEndInTheDegreeByte) {
  EXPECT_EQ(Registry.GetDefaultTag("Temperature 1"), "Temp1: <NAME=Temp1 FORMAT=\"F\">\xBA");
  EXPECT_EQ(Registry.GetDefaultTag("Temperature 3"), "Temp3: <NAME=Temp3 FORMAT=\"F\">\xBA");
  EXPECT_EQ(Registry.GetDefaultTag("Fan 2"), "Fan2: <NAME=Fan2>");
}

TEST_F(CatalogueTest, UsageTextBreaksAfterEveryFullStop) {
  EXPECT_EQ(Registry.NonPerf().GetUsageText("Blank"),
            "Blank tag which doesn't actually format data, and is basically used to let you "
            "apply the SIZE tag to space things.\r\n <NAME=Blank>.\r\n Uses SIZE\r\n"
            "Default Usage String:\r\n<NAME=Blank SIZE=5>");
  EXPECT_EQ(Registry.UTP().GetUsageText("Blank"), "");
  EXPECT_EQ(Registry.GetUsageText("blank"), Registry.NonPerf().GetUsageText("Blank"));
}

TEST_F(CatalogueTest, HelpTextsSpelledOut) {
  // The help text as it always was, then the note on bars and graphs.
  EXPECT_EQ(Registry.GetUsageText("Fan 3"),
            "Reports speed of Fan 3 Sensor in MBM.\r\n Can be read without MBM running (though "
            "MBM must still have been installed) if the MBMStarter DLL is in the same directory."
            "\r\n Uses SIZE.\r\n <NAME=Fan3>.\r\n " + std::string(GaugeNote) +
                "\r\n\r\nDefault Usage String:\r\nFan3: <NAME=Fan3>");
  const std::string Used = Registry.GetUsageText("RAMUsed");
  EXPECT_NE(Used.find("Used Bytes in RAM, expressed in MB.\r\n <NAME=RAMUsed>.\r\n Uses SIZE, "
                      "FORMAT.\r\n Use FORMAT=\"%\" to display"),
            std::string::npos);
  const std::string Drive = Registry.GetUsageText("Drive Space");
  EXPECT_NE(Drive.find("up to 8 drives can be requested"), std::string::npos);
  const std::string Temp = Registry.GetUsageText("Temperature 2");
  EXPECT_NE(Temp.find("temperature sensor #2 in MBM."), std::string::npos);
  EXPECT_NE(Temp.find("Uses SIZE, FORMAT.\r\n <NAME=Temp2>.\r\n Format tags are C or F"),
            std::string::npos);
}

TEST_F(CatalogueTest, NumericItemsTellOfBarsAndGraphsAfterTheirOwnText) {
  const std::vector<std::string> WithoutNumbers = {"Uptime",        "IP Addresses", "Computer Name",
                                                   "User Name",     "Date and Time", "Blank"};
  int Numeric = 0;
  for (const TFormatter* Formatter : Registry.All()) {
    for (const TFormatItem& Item : Formatter->Items()) {
      const std::string& Help = Item.Data.Description;
      const bool Number = std::find(WithoutNumbers.begin(), WithoutNumbers.end(),
                                    Item.DisplayName) == WithoutNumbers.end();
      EXPECT_EQ(Help.ends_with(GaugeNote), Number) << Item.DisplayName;
      EXPECT_EQ(Help.find("BAR=") != std::string::npos, Number) << Item.DisplayName;
      Numeric += Number;
    }
  }
  EXPECT_EQ(Numeric, 20);
  // The note is a sentence of its own after the text as it stands.
  const auto Before = [&](std::string_view Name) {
    std::string Help = Registry.GetUsageText(Name);
    return Help.substr(0, Help.find("Also takes BAR"));
  };
  EXPECT_TRUE(Before("System Thread Count").ends_with(" <NAME=Threads>.\r\n "));
  EXPECT_TRUE(Before("PageTotal").ends_with("<NAME=PageTotal>.\r\n Uses SIZE.\r\n "));
  EXPECT_TRUE(Before("RAMFree").ends_with("instead of an absolute value, which is the default.\r\n "));
  EXPECT_TRUE(Before("Fan 1").ends_with("<NAME=Fan1>.\r\n "));
  EXPECT_TRUE(Before("Drive Space").ends_with("Uses SIZE, FORMAT, DECIMAL.\r\n "));
}

TEST_F(CatalogueTest, UptimeHelpListsItsEightTokens) {
  const std::string Help = Registry.GetUsageText("Uptime");
  EXPECT_NE(Help.find("Valid FORMAT items: For the Uptime, you have"), std::string::npos);
  EXPECT_NE(Help.find("numbers.\r\n\r\n*d* days, no leading zero\r\n*D* Days, with leading zero"
                      "\r\n*h* hours, no leading zero\r\n*H* Hours, with leading zero\r\n*m* duh"
                      "\r\n*M* duh\r\n*s* duh\r\n*S* duh\r\n\r\nDefault Usage String:"),
            std::string::npos);
}

TEST_F(CatalogueTest, DateTimeHelpSeparators) {
  std::string Help;
  for (const TFormatItem& Item : Registry.NonPerf().Items()) {
    if (Item.DisplayName == "Date and Time") Help = Item.Data.Description;
  }
  EXPECT_NE(Help.find("\r\nc    \t       Displays the date using"), std::string::npos);
  EXPECT_NE(Help.find("\r\ndddddd       Displays the date using the format given by the "
                      "LongDateFormat"),
            std::string::npos);
  EXPECT_NE(Help.find("\r\n'xx'  Characters enclosed"), std::string::npos);
  EXPECT_NE(Help.find("\r\nam/pm\t       Uses the 12-hour clock"), std::string::npos);
  EXPECT_NE(Help.find("\"just like so\" - this text"), std::string::npos);
  EXPECT_TRUE(Help.ends_with("greater flexibility on spacing using SIZE and CHAR.\r\n"));
  EXPECT_EQ(std::count(Help.begin(), Help.end(), '\n'), 30);  // two lines, then 28
}

TEST_F(CatalogueTest, DefaultFormatTextHasEightLines) {
  EXPECT_EQ(DefaultFormatText(Registry),
            "Proc %: <NAME=ProcUsage LEADZERO DECIMAL SIZE=5 FORMAT=\"ALL\">\r\n"
            "Processes: <NAME=Processes SIZE=5>Threads: <NAME=Threads SIZE=5>\r\n"
            "<NAME=Uptime FORMAT=\"*d* days, *H* hrs, *M* mins, *S* secs\" SIZE=20>\r\n"
            "PageUsed: <NAME=PageUsed>/PageTotal: <NAME=PageTotal>\r\n"
            "RAMUsed: <NAME=RAMUsed>/RAMTotal: <NAME=RAMTotal>\r\n"
            "<NAME=DateTime FORMAT=\"'Date' dd/mm/yy 'Time' hh:nn\">\r\n"
            "<NAME=IPAddr>\r\n"
            "<NAME=CompName>");
}

class ActivityTest : public CatalogueTest {
 protected:
  TActiveFamilies Decide(std::string_view Text) {
    Registry.DecideIfActive(Text);
    return Registry.ActiveFamilies();
  }
};

TEST_F(ActivityTest, FreeTextActivatesNothing) {
  const TActiveFamilies Active = Decide("Fan2 Threads ProcUsage <B>text</B>");
  EXPECT_FALSE(Active.MBM || Active.UTP || Active.PageRAM || Active.Proc || Active.Network ||
               Active.NonPerf);
}

TEST_F(ActivityTest, OnlyTheFormatterOfATagIsActive) {
  const TActiveFamilies Active = Decide("<NAME=Blank>");
  EXPECT_TRUE(Active.NonPerf);
  EXPECT_FALSE(Active.MBM || Active.UTP || Active.PageRAM || Active.Proc || Active.Network);
}

TEST_F(ActivityTest, OpenerWithoutCloseActivates) {
  EXPECT_TRUE(Decide("x <name=fan2").MBM);
  EXPECT_FALSE(Decide("x fan2").MBM);
  EXPECT_TRUE(Decide("a\r\nb <NAME=netsumwrite").Network);
}

TEST_F(ActivityTest, DefaultTextActivatesFourFamilies) {
  const TActiveFamilies Active = Decide(DefaultFormatText(Registry));
  EXPECT_TRUE(Active.UTP && Active.PageRAM && Active.Proc && Active.NonPerf);
  EXPECT_FALSE(Active.MBM || Active.Network);
}

TEST_F(ActivityTest, ForcedOnUntilTheNextDecision) {
  Decide("nothing");
  Registry.Proc().SetActive(true);
  EXPECT_TRUE(Registry.ActiveFamilies().Proc);
  EXPECT_FALSE(Decide("nothing").Proc);
}

TEST_F(ActivityTest, DecidingFreesEveryDriveSlot) {
  Engine.Data().Drives[0].Letter = 'C';
  Engine.Data().Drives[7].Letter = 'Z';
  const std::string Text = "<NAME=DriveSpace FORMAT=\"C FREE\">";
  Decide(Text);
  EXPECT_EQ(Engine.Data().Drives[0].Letter, 0);
  EXPECT_EQ(Engine.Data().Drives[7].Letter, 0);
  Registry.Evaluate(Text);
  EXPECT_EQ(Engine.Data().Drives[0].Letter, 'C');
  Decide(Text);  // the same text again frees the slot again
  EXPECT_EQ(Engine.Data().Drives[0].Letter, 0);
  Engine.Data().Drives[0].Letter = 'D';
  Decide("no drive tags");
  EXPECT_EQ(Engine.Data().Drives[0].Letter, 0);
}

}  // namespace
}  // namespace dravel
