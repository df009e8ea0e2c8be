#include "Installer.h"

#include "Payload.h"
#include "ProductInfo.h"
#include "SettingsText.h"
#include "platform/file_io.h"
#include "platform/paths.h"
#include "platform/registry.h"

#include <filesystem>
#include <string_view>
#include <system_error>

namespace sample {
namespace {

std::string Join(const std::string& folder, const std::string& name) {
  return folder == "/" ? folder + name : folder + "/" + name;
}

bool WriteInstalledFile(const std::string& path, std::string_view bytes, bool executable, SetupLog& log,
                        std::string& error) {
  log.Line("Dest filename: " + path);
  if (!cwplat::ReplaceFileAtomic(path, bytes)) {
    error = "cannot write " + path;
    return false;
  }
  if (executable) {
    namespace fs = std::filesystem;
    std::error_code ec;
    fs::permissions(path,
                    fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec | fs::perms::others_read |
                        fs::perms::others_exec,
                    fs::perm_options::replace, ec);
    if (ec) {
      error = "cannot make " + path + " executable: " + ec.message();
      return false;
    }
  }
  return true;
}

bool WriteUninstallEntry(const SetupOptions& options, SetupLog& log, std::string& error) {
  const std::string location = options.dir == "/" ? options.dir : options.dir + "/";
  const std::pair<const char*, std::string> values[] = {
      {"DisplayName", kProductName},
      {"DisplayVersion", kVersion},
      {"Publisher", kPublisher},
      {"InstallLocation", location},
      {"DisplayIcon", Join(options.dir, kProductExe)},
      {"Inno Setup: App Path", options.dir},
      {"Inno Setup: Language", options.language},
  };
  log.Line(std::string("Uninstall entry: HKEY_LOCAL_MACHINE\\") + kUninstallKey);
  for (const auto& [name, data] : values) {
    if (!cwplat::RegSetString(cwplat::RegHive::LocalMachine, kUninstallKey, name, data)) {
      error = std::string("cannot write the uninstall entry value ") + name;
      return false;
    }
  }
  return true;
}

}  // namespace

bool InstallProduct(const SetupOptions& options, SetupLog& log, std::string& error) {
  log.Line("Creating the installation folder");
  if (!cwplat::CreateDirectories(options.dir)) {
    error = "cannot create the folder " + options.dir;
    return false;
  }
  return WriteInstalledFile(Join(options.dir, kProductExe), ProductExecutableBytes(), true, log, error) &&
         WriteInstalledFile(Join(options.dir, kSettingsFile), FormatSettings(options.language, options.tracking),
                            false, log, error) &&
         WriteInstalledFile(Join(options.dir, kDataFile), ProductDataBytes(), false, log, error) &&
         WriteUninstallEntry(options, log, error);
}

}  // namespace sample
