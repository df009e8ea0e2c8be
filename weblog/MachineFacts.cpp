#include "MachineFacts.h"

#include "platform/machine_id.h"
#include "platform/sysinfo.h"

MachineFacts ReadMachineFacts() {
  MachineFacts facts;
  facts.uid = cwplat::GetRootFilesystemUuid();
  facts.mac = cwplat::GetPrimaryMacAddress();
  facts.volumeSerial = cwplat::VolumeSerialFromUuid(facts.uid).value_or(0);
  facts.os = cwplat::GetOsPrettyName();
  facts.osVersion = cwplat::GetKernelRelease();
  return facts;
}
