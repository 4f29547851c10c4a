#include "PlainWriter.h"

#include "DravelfmtLabels.h"
#include "formatter/Charset.h"

namespace dravel {

void TPlainWriter::Write(const TRefresh& Refresh, std::string& Out) const {
  for (const std::string& Line : Refresh.Lines) {
    Out += ConvertCharset(FStrip ? StripMarkup(Line) : Line, "CP1252", FCharset.c_str());
    Out += '\n';
  }
}

}  // namespace dravel
