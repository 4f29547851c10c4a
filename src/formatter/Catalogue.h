#pragma once
// The help texts and default tags of the 26 display items, as the options dialog shows them.

#include <string>

namespace dravel::catalogue {

std::string TempDescription(int Sensor);
std::string TempDefaultTag(int Sensor);
std::string FanDescription(int Sensor);
std::string FanDefaultTag(int Sensor);

std::string UptimeDescription();
extern const char* const ThreadsDescription;
extern const char* const ProcessesDescription;

// Item is "Page" or "RAM"; Which is "Total", "Used" or "Free".
std::string MemoryDescription(const std::string& Item, const std::string& Which);

extern const char* const ProcUsageDescription;
// Rate or sum of the network items, with the item name ("NetRead", ...).
std::string NetworkDescription(const std::string& Subject, const std::string& ItemName);

extern const char* const IPAddrDescription;
extern const char* const CompNameDescription;
extern const char* const UserNameDescription;
std::string DateTimeDescription();
extern const char* const BlankDescription;
std::string DriveSpaceDescription();

// A numeric item's help text followed by the note on BAR, GRAPH and MAX, joined as a new
// sentence; the text itself stays as it is.
std::string WithGaugeNote(std::string Description);

}  // namespace dravel::catalogue
