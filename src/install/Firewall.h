// Registering the program with the system firewall.
#pragma once

#include <string>

namespace FuntionImpl {

// Linux keeps no per-application firewall list that a user program may join:
// this logs that and changes nothing.
void AuthorizeInFirewall(const std::string& executablePath);

}  // namespace FuntionImpl
