#include "Firewall.h"

#include "platform/log.h"

namespace FuntionImpl {

void AuthorizeInFirewall(const std::string& executablePath) {
  CWLOG << " Firewall authorisation skipped for " << executablePath
        << ": this system has no per-application firewall list";
}

}  // namespace FuntionImpl
