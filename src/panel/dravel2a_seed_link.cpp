// The window without the link roles: a local monitor only. dravel2a_link.cpp
// replaces this file (remove it from CMakeLists.txt then).
#include "panel/dravel2a.h"

namespace dravel {

void TDravelDisplay::StartClientLink() {}
void TDravelDisplay::RestoreServerRole() {}
void TDravelDisplay::ClientRequestStep() {}
void TDravelDisplay::StopServerRole() {}
// The menu's "Act as &Server" item; dravel2a_link.cpp gives it the server switch.
void TDravelDisplay::ActasServer1Click() {}

}  // namespace dravel
