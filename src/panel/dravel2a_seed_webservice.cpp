// The window without the web service. dravel2a_webservice.cpp replaces this file
// (remove it from CMakeLists.txt then).
#include "panel/dravel2a.h"

namespace dravel {

void TDravelDisplay::RestoreWebService() {}
void TDravelDisplay::StopWebService() {}
// The menu's "Act as Web Service" item; dravel2a_webservice.cpp gives it the switch.
void TDravelDisplay::ActasWebService1Click() {}

}  // namespace dravel
