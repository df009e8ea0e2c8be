#include "UnattendedOptions.h"

#include "LanguageCodes.h"

namespace {

// A path or code longer than this is not a real one.
constexpr std::size_t kMaxArgument = 4096;

bool TakeValue(const std::vector<std::string>& args, std::size_t& i, std::string& value, std::string& error) {
  if (i + 1 >= args.size()) {
    error = args[i] + " needs a value";
    return false;
  }
  value = args[++i];
  if (value.empty() || value.size() > kMaxArgument) {
    error = args[i - 1] + " has an empty or too long value";
    return false;
  }
  return true;
}

}  // namespace

std::optional<UnattendedOptions> ParseUnattendedArgs(const std::vector<std::string>& args) {
  if (args.empty() || (args[0] != "--unattended" && args[0] != "--help")) return std::nullopt;
  UnattendedOptions options;
  for (std::size_t i = 0; i < args.size() && options.error.empty(); ++i) {
    const std::string& arg = args[i];
    std::string value;
    if (arg == "--unattended") {
      continue;
    } else if (arg == "--help" || arg == "-h") {
      options.help = true;
    } else if (arg == "--accept-license") {
      options.acceptLicense = true;
    } else if (arg == "--dir") {
      if (TakeValue(args, i, value, options.error)) {
        if (value[0] != '/') options.error = "--dir needs an absolute path";
        options.installPath = value;
      }
    } else if (arg == "--lang") {
      if (TakeValue(args, i, value, options.error)) {
        options.language = LanguageFromProductCode(value);
        if (!options.language) options.error = "unknown language code \"" + value + "\"";
      }
    } else {
      options.error = "unknown argument \"" + arg + "\"";
    }
  }
  if (!options.help && options.error.empty() && !options.acceptLicense) {
    options.error = "the licence agreement must be accepted with --accept-license";
  }
  return options;
}

std::string UnattendedUsage(const std::string& programName) {
  return "Usage: " + programName +
         " --unattended --accept-license [--dir PATH] [--lang CODE]\n"
         "\n"
         "Downloads, verifies and installs the product without a window, showing\n"
         "progress on the terminal.\n"
         "\n"
         "  --accept-license  accept the licence agreement (required)\n"
         "  --dir PATH        install folder (absolute); the product's own folder is\n"
         "                    added below it unless PATH already names it\n"
         "  --lang CODE       interface and product language: en ja zhcn es de fr ru pt ar\n"
         "                    it zhtw ko nl id tr hi th my se cz (default: the system's)\n"
         "  --help            this text\n"
         "\n"
         "Exit codes:\n"
         "  0  installed (or a package that is not a program was downloaded)\n"
         "  1  bad command line, or the licence not accepted\n"
         "  2  download failed (no address, or every attempt failed)\n"
         "  3  the package's signature did not verify\n"
         "  4  pre-install checks failed (product running, disk space, install folder)\n"
         "  5  the installer did not end in time\n"
         "  6  another copy of this downloader is running\n"
         "  7  this system is not supported (a 32-bit system, and the product needs 64-bit)\n";
}
