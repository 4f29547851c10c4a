// The window without the web service. dravel2a_webservice.cpp replaces this file
// (remove it from CMakeLists.txt then).
#include "panel/dravel2a.h"

namespace dravel {

void TDravelDisplay::RestoreWebService() {}
void TDravelDisplay::StopWebService() {}

}  // namespace dravel
