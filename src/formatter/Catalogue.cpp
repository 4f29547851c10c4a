#include "formatter/Catalogue.h"

#include <string_view>

#include "sampling/RawData.h"

namespace dravel::catalogue {
namespace {

constexpr const char* MBMNote =
    "in MBM. Can be read without MBM running (though MBM must still have been installed) if "
    "the MBMStarter DLL is in the same directory. Uses SIZE";

constexpr const char* PercentNote =
    ", FORMAT. Use FORMAT=\"%\" to display the value as a percentage, instead of an absolute "
    "value, which is the default";

constexpr const char* IndexNote =
    "Set Format to the number NIC you would like to display (1-4), or ALL for the total.";

std::string UptimeHelp() {
  std::string Help =
      "For the Uptime, you have the option of using format strings which "
      "lets you customize the appearance of the data. First, any free form text will appear as is."
      " Next, you can use any of the following items anywhere in the text to add particular "
      "numbers.\r\n";
  for (const char* Line : {"*d* days, no leading zero", "*D* Days, with leading zero",
                           "*h* hours, no leading zero", "*H* Hours, with leading zero",
                           "*m* duh", "*M* duh", "*s* duh", "*S* duh"}) {
    Help += Line;
    Help += "\r\n";
  }
  return Help;
}

struct TTokenHelp {
  const char* Token;
  const char* Separator;
  const char* Explanation;
};

constexpr const char* Tab = "\t       ";

std::string DateTimeHelp() {
  const TTokenHelp Tokens[] = {
      {"c", "    \t       ",
       "Displays the date using the format given by the ShortDateFormat global variable, "
       "followed by the time using the format given by the LongTimeFormat global variable. The "
       "time is not displayed if the fractional part of the DateTime value "},
      {"d", Tab, "Displays the day as a number without a leading zero (1-31)."},
      {"dd", Tab, "Displays the day as a number with a leading zero (01-31)."},
      {"ddd", Tab,
       "Displays the day as an abbreviation (Sun-Sat) using the strings given by the "
       "ShortDayNames global variable."},
      {"dddd", Tab,
       "Displays the day as a full name (Sunday-Saturday) using the strings given by the "
       "LongDayNames global variable."},
      {"ddddd", Tab, "Displays the date using the format given by the ShortDateFormat global variable."},
      {"dddddd", "       ",
       "Displays the date using the format given by the LongDateFormat global variable."},
      {"m", Tab,
       "Displays the month as a number without a leading zero (1-12). If the m specifier "
       "immediately follows an h or hh specifier, the minute rather than the month is displayed."},
      {"mm", Tab,
       "Displays the month as a number with a leading zero (01-12). If the mm specifier "
       "immediately follows an h or hh specifier, the minute rather than the month is displayed."},
      {"mmm", Tab,
       "Displays the month as an abbreviation (Jan-Dec) using the strings given by the "
       "ShortMonthNames global variable."},
      {"mmmm", Tab,
       "Displays the month as a full name (January-December) using the strings given by the "
       "LongMonthNames global variable."},
      {"yy", Tab, "Displays the year as a two-digit number (00-99)."},
      {"yyyy", Tab, "Displays the year as a four-digit number (0000-9999)."},
      {"h", Tab, "Displays the hour without a leading zero (0-23)."},
      {"hh", Tab, "Displays the hour with a leading zero (00-23)."},
      {"n", Tab, "Displays the minute without a leading zero (0-59)."},
      {"nn", Tab, "Displays the minute with a leading zero (00-59)."},
      {"s", Tab, "Displays the second without a leading zero (0-59)."},
      {"ss", Tab, "Displays the second with a leading zero (00-59)."},
      {"t", Tab, "Displays the time using the format given by the ShortTimeFormat global variable."},
      {"tt", Tab, "Displays the time using the format given by the LongTimeFormat global variable."},
      {"am/pm", Tab,
       "Uses the 12-hour clock for the preceding h or hh specifier, and displays 'am' for any "
       "hour before noon, and 'pm' for any hour after noon. The am/pm specifier can use lower, "
       "upper, or mixed case, and the result is displayed accordingly."},
      {"a/p", Tab,
       "Uses the 12-hour clock for the preceding h or hh specifier, and displays 'a' for any "
       "hour before noon, and 'p' for any hour after noon. The a/p specifier can use lower, "
       "upper, or mixed case, and the result is displayed accordingly."},
      {"ampm", Tab,
       "Uses the 12-hour clock for the preceding h or hh specifier, and displays the contents "
       "of the TimeAMString global variable for any hour before noon, and the contents of the "
       "TimePMString global variable for any hour after noon."},
      {"/", Tab, "Displays the date separator character given by the DateSeparator global variable."},
      {":", Tab, "Displays the time separator character given by the TimeSeparator global variable."},
      {"'xx'", "  ", "Characters enclosed in single quotes are displayed as-is, and do not affect formatting."},
  };
  std::string Help =
      "For the Date and time, you have the option of using format strings which "
      "lets you customize the appearance of the data. First, any free form "
      "text should be enclosed in a pair of quotation marks \"just like so\" - "
      "this text will be displayed exactly as you enter it.\r\n"
      "Interspersed within the free-form text, you can enter any or all of the "
      "following letter combinations, which let you specify what data should appear "
      "and how it should be formatted. The default text is a good example of how "
      "the system works, I think.\r\n";
  for (const TTokenHelp& Line : Tokens) {
    Help += std::string(Line.Token) + Line.Separator + Line.Explanation + "\r\n";
  }
  Help +=
      "Since you can also invoke the DateTime flag multiple times in a string, you can "
      "alternatively put characters between multiple DateTime tags to mimic this, and allow "
      "greater flexibility on spacing using SIZE and CHAR.\r\n";
  return Help;
}

}  // namespace

std::string TempDescription(int Sensor) {
  const std::string N = std::to_string(Sensor);
  return "Reports data from temperature sensor #" + N + " " + MBMNote + ", FORMAT. <NAME=Temp" +
         N + ">. Format tags are C or F, for Celsius and Fahrenheit respectively. Default Celsius.";
}

std::string TempDefaultTag(int Sensor) {
  const std::string N = std::to_string(Sensor);
  return "Temp" + N + ": <NAME=Temp" + N + " FORMAT=\"F\">\xBA";
}

std::string FanDescription(int Sensor) {
  const std::string N = std::to_string(Sensor);
  return "Reports speed of Fan " + N + " Sensor " + MBMNote + ". <NAME=Fan" + N + ">. ";
}

std::string FanDefaultTag(int Sensor) {
  const std::string N = std::to_string(Sensor);
  return "Fan" + N + ": <NAME=Fan" + N + ">";
}

std::string UptimeDescription() {
  return "Current System Uptime. <NAME=Uptime>. Uses FORMAT, SIZE, LEADZERO. LEADZERO in this "
         "context will force leading zeroes, even if the format string contains lowercase "
         "(non-leading) modifiers. Valid FORMAT items: " +
         UptimeHelp();
}

const char* const ThreadsDescription =
    "Total number of Threads active across the system. Uses SIZE. <NAME=Threads>.";
const char* const ProcessesDescription =
    "Total number of Processes active across the system. Uses SIZE. <NAME=Processes>.";

std::string MemoryDescription(const std::string& Item, const std::string& Which) {
  const std::string Place = Item == "Page" ? "Pagefile" : "RAM";
  std::string Text = Which + " Bytes in " + Place + ", expressed in MB. <NAME=" + Item + Which +
                     ">. Uses SIZE";
  if (Which != "Total") Text += PercentNote;
  return Text;
}

const char* const ProcUsageDescription =
    "Displays processor usage as a percentage. <NAME=ProcUsage>. Uses FORMAT, LEADZERO, "
    "DECIMAL, SIZE. Set Format to the number processor you would like to display (1-4), or ALL "
    "for the total.";

std::string NetworkDescription(const std::string& Subject, const std::string& ItemName) {
  return Subject + " <NAME=" + ItemName + ">. Uses FORMAT, LEADZERO, DECIMAL, SIZE. " + IndexNote;
}

const char* const IPAddrDescription =
    "Total number of IP addresses locally bound to adapters. Uses SIZE, LEADZERO, FORMAT. When "
    "LEADZERO is used in this context, each of the 3-digit numbers making up the address will be "
    "left-padded with zeroes. FORMAT is used to specify the character(s) separating each IP "
    "(Default is a comma and space)<NAME=IPAddr>.";
const char* const CompNameDescription =
    "Local computer name, specified in Network Identification. 15 character max. Uses SIZE. "
    "<NAME=CompName>.";
const char* const UserNameDescription =
    "Logged in User name. 15 character max. Uses SIZE. <NAME=UserName>.";

std::string DateTimeDescription() {
  return "Current local system Date and Time. <NAME=DateTime>. Uses FORMAT, SIZE. " + DateTimeHelp();
}

const char* const BlankDescription =
    "Blank tag which doesn't actually format data, and is basically used to let you apply the "
    "SIZE tag to space things. <NAME=Blank>. Uses SIZE";

std::string DriveSpaceDescription() {
  return "Free and Total disk space in MB's for drives or partitions. Use FORMAT to specify the "
         "drive letter and whether you want to see the free or total space; up to " +
         std::to_string(DriveSlotCount) +
         " drives can be requested at one time, with each as a different label. <NAME=DriveSpace "
         "FORMAT=\"C FREE\"> <NAME=DriveSpace FORMAT=\"D TOTAL\">. Uses SIZE, FORMAT, DECIMAL";
}

std::string WithGaugeNote(std::string Description) {
  // No "." inside the note: the options dialog breaks the help's lines after each one.
  constexpr std::string_view Note =
      "Also takes BAR=n, to show the value as a bar n cells wide, or GRAPH=n, to show its last "
      "n values as a graph n cells wide (n up to 512); MAX=v sets the top of their scale, which "
      "otherwise runs to 100 for a percentage, to the total for memory and drive space, and to "
      "the largest value shown for the rest.";
  if (!Description.ends_with(". ")) Description += Description.ends_with('.') ? " " : ". ";
  return Description += Note;
}

}  // namespace dravel::catalogue
