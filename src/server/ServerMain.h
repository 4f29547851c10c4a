#pragma once

#include <string>
#include <vector>

namespace dravel {

// "dravel --serve": Args are the arguments besides "--serve". Exit status 0 after a
// clean stop (SIGTERM, SIGINT), 1 when another server of this user runs or a port
// cannot be listened on, 2 for a bad option or value.
int RunServer(int argc, char* argv[], const std::vector<std::string>& Args);

// True when the command line asks for the server role.
bool ServeRequested(const std::vector<std::string>& Args);

}  // namespace dravel
