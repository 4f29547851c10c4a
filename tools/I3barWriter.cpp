#include "I3barWriter.h"

#include "JsonText.h"
#include "StatusMarkup.h"

namespace dravel {

void TI3barWriter::Begin(std::string& Out) const {
  Out += "{\"version\":1,\"click_events\":false}\n[\n";
}

void TI3barWriter::Write(const TRefresh& Refresh, std::string& Out) const {
  Out += '[';
  for (std::size_t I = 0; I < Refresh.Lines.size(); ++I) {
    const TStatusLine Line(Refresh.Lines[I]);
    const std::optional<std::string> Colour = Line.OneColour();
    const bool Markup = Line.NeedsMarkup();
    if (I > 0) Out += ',';
    Out += "{\"full_text\":";
    AppendJsonString(Out, Markup ? Line.Pango(!Colour) : Line.Text());
    Out += ",\"name\":\"line" + std::to_string(I + 1) + '"';
    if (Colour) Out += ",\"color\":\"" + *Colour + '"';
    if (Markup) Out += ",\"markup\":\"pango\"";
    Out += '}';
  }
  Out += "],\n";
}

}  // namespace dravel
