#include "PlainWriter.h"

#include "DravelfmtLabels.h"
#include "formatter/Charset.h"
#include "formatter/QarvMarkup.h"

namespace dravel {

void TPlainWriter::Write(const TRefresh& Refresh, std::string& Out) const {
  const char* Charset = FCharset.c_str();
  for (const std::string& Line : Refresh.Lines) {
    SplitAtGauges(
        Line,
        [&](std::string_view Text) {
          Out += ConvertCharset(FStrip ? StripMarkup(Text) : std::string(Text), "CP1252", Charset);
        },
        [&](const TGaugeToken& Token) {
          const std::string Cells = GaugeCells(Token, FCells);
          Out += FCells == TCellStyle::Blocks ? ConvertCharset(Cells, "UTF-8", Charset) : Cells;
        });
    Out += '\n';
  }
}

}  // namespace dravel
