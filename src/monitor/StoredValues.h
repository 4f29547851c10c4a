#pragma once
// Settings values read leniently: a value missing, or stored with another type, reads as
// empty or false, so one odd value never stops a role from starting.

#include <string>

namespace dravel {

class TRegistry;

std::string StoredText(TRegistry& Store, const char* Name);
bool StoredBool(TRegistry& Store, const char* Name);

}  // namespace dravel
