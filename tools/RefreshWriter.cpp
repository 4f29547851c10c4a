#include "RefreshWriter.h"

namespace dravel {

void TRefreshWriter::Begin(std::string&) const {}

}  // namespace dravel
