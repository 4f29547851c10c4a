#include "formatter/UTPFormat.h"

#include "formatter/Catalogue.h"
#include "formatter/NumberFormat.h"

namespace dravel {

TUTPFormat::TUTPFormat(TRawDataShell& Shell, const TFormatSettings& Settings)
    : TFormatter(Shell, Settings) {
  AddItem("Uptime", catalogue::UptimeDescription(), "Uptime",
          "<NAME=Uptime FORMAT=\"*d* days, *H* hrs, *M* mins, *S* secs\" SIZE=20>",
          Bind(&TUTPFormat::UptimeFunc));
  AddItem("System Thread Count", catalogue::ThreadsDescription, "Threads",
          "Threads: <NAME=Threads SIZE=5>", Bind(&TUTPFormat::ThreadsFunc),
          [this](std::string_view) { return TGaugeValue{static_cast<double>(Data().Threads), {}}; });
  AddItem("System Processes Count", catalogue::ProcessesDescription, "Processes",
          "Processes: <NAME=Processes SIZE=5>", Bind(&TUTPFormat::ProcessesFunc),
          [this](std::string_view) { return TGaugeValue{static_cast<double>(Data().Processes), {}}; });
}

void TUTPFormat::UptimeFunc(std::string_view Format, bool LeadZero, std::string& Output,
                            bool /*Decimal*/) const {
  UpTimeSubFormat(Format, LeadZero, Output, Data().Uptime);
}

void TUTPFormat::ThreadsFunc(std::string_view /*Format*/, bool /*LeadZero*/, std::string& Output,
                             bool /*Decimal*/) const {
  Output = FormatInt(Data().Threads);
}

void TUTPFormat::ProcessesFunc(std::string_view /*Format*/, bool /*LeadZero*/, std::string& Output,
                               bool /*Decimal*/) const {
  Output = FormatInt(Data().Processes);
}

}  // namespace dravel
