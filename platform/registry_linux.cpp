#include "platform/registry.h"

#include "platform/log.h"
#include "platform/paths.h"

#include <fcntl.h>
#include <json/json.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <sstream>

// Layout: <root>/<hive>/<part>/<part>/... one folder per key. A folder name is
// the key part in lower case with '%' written "%25" and a leading '.' written
// "%2e", so names starting with '.' are free for the store's own files:
//   .values.json      {"key": "<part as first written>",
//                      "values": {"<name in lower case>": {"name": "<name>",
//                                 "type": "REG_SZ" | "REG_MULTI_SZ",
//                                 "data": "<text>" | ["<text>", ...]}}}
//   .lock             flock: shared for reads, exclusive for writes
//   .values.json.XXXXXX, .deleted-XXXXXX   a write and a key deletion in progress

namespace cwplat {
namespace {

constexpr std::size_t kMaxValuesFileBytes = 1024 * 1024;
constexpr std::size_t kMaxKeyPartBytes = 255;
constexpr int kWriteAttempts = 3;
const char kValuesFile[] = "/.values.json";
const char kLockFile[] = "/.lock";
const char kTypeString[] = "REG_SZ";
const char kTypeMultiString[] = "REG_MULTI_SZ";

std::string Lower(std::string s) {
  for (char& c : s) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return s;
}

std::string EncodePart(const std::string& part) {
  std::string out;
  const std::string lower = Lower(part);
  for (std::size_t i = 0; i < lower.size(); ++i) {
    if (lower[i] == '%') {
      out += "%25";
    } else if (lower[i] == '.' && i == 0) {
      out += "%2e";
    } else {
      out += lower[i];
    }
  }
  return out;
}

std::string DecodePart(const std::string& folderName) {
  std::string out;
  for (std::size_t i = 0; i < folderName.size(); ++i) {
    if (folderName.compare(i, 3, "%25") == 0) {
      out += '%';
      i += 2;
    } else if (i == 0 && folderName.compare(0, 3, "%2e") == 0) {
      out += '.';
      i += 2;
    } else {
      out += folderName[i];
    }
  }
  return out;
}

std::string RegistryRoot() {
  const char* env = std::getenv("CW_REGISTRY_ROOT");
  if (env != nullptr && env[0] == '/') {
    std::string root(env);
    while (root.size() > 1 && root.back() == '/') root.pop_back();
    return root;
  }
  return GetAppDataFolder() + "/CWDownloader/registry";
}

struct KeyLocation {
  std::string hiveFolder;
  std::vector<std::string> parts;    // as the caller wrote them
  std::vector<std::string> folders;  // encoded folder names
  std::string folder;                // full path of the key's folder
  std::string parentFolder;
};

std::optional<KeyLocation> Locate(RegHive hive, const std::string& key) {
  KeyLocation loc;
  loc.hiveFolder = RegistryRoot() + (hive == RegHive::LocalMachine ? "/HKEY_LOCAL_MACHINE" : "/HKEY_CURRENT_USER");
  std::size_t start = 0;
  for (;;) {
    const std::size_t end = std::min(key.find('\\', start), key.size());
    std::string part = key.substr(start, end - start);
    if (part.empty() || part == "." || part == ".." || part.find('/') != std::string::npos ||
        part.find('\0') != std::string::npos) {
      return std::nullopt;
    }
    std::string folder = EncodePart(part);
    if (folder.size() > kMaxKeyPartBytes) return std::nullopt;
    loc.parts.push_back(std::move(part));
    loc.folders.push_back(std::move(folder));
    if (end == key.size()) break;
    start = end + 1;
  }
  loc.folder = loc.hiveFolder;
  for (const std::string& folder : loc.folders) {
    loc.parentFolder = loc.folder;
    loc.folder += "/" + folder;
  }
  return loc;
}

// True the first time a problem with this identity is seen, so that a damaged
// file read again and again is logged once.
bool FirstReport(const std::string& identity) {
  static std::mutex mutex;
  static std::set<std::string> seen;
  std::lock_guard<std::mutex> lock(mutex);
  if (seen.size() >= 256) seen.clear();
  return seen.insert(identity).second;
}

class UniqueFd {
 public:
  explicit UniqueFd(int fd = -1) : m_fd(fd) {}
  ~UniqueFd() {
    if (m_fd >= 0) close(m_fd);
  }
  UniqueFd(const UniqueFd&) = delete;
  UniqueFd& operator=(const UniqueFd&) = delete;
  int get() const { return m_fd; }
  void reset(int fd) {
    if (m_fd >= 0) close(m_fd);
    m_fd = fd;
  }

 private:
  int m_fd;
};

class KeyLock {
 public:
  // operation: LOCK_SH or LOCK_EX. False with errno set when it cannot be taken.
  bool Acquire(const std::string& folder, int operation) {
    m_path = folder + kLockFile;
    m_fd.reset(open(m_path.c_str(), O_RDONLY | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK, 0600));
    if (m_fd.get() < 0) return false;
    int rc;
    do {
      rc = flock(m_fd.get(), operation);
    } while (rc != 0 && errno == EINTR);
    return rc == 0;
  }

  // False when the key was deleted (or deleted and made anew) while we waited:
  // the lock then guards a folder nobody reaches any more.
  bool StillInPlace() const {
    struct stat held{}, current{};
    return fstat(m_fd.get(), &held) == 0 && stat(m_path.c_str(), &current) == 0 && held.st_ino == current.st_ino &&
           held.st_dev == current.st_dev;
  }

 private:
  std::string m_path;
  UniqueFd m_fd;
};

struct LoadedValues {
  enum Status { Ok, Missing, Damaged } status = Missing;
  Json::Value doc{Json::objectValue};
  std::string problem;   // why Damaged
  std::string identity;  // the file version, for FirstReport
};

std::optional<std::string> ReadBounded(int fd, std::size_t limit) {
  std::string content;
  char buf[16384];
  for (;;) {
    const ssize_t got = read(fd, buf, sizeof(buf));
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) return std::nullopt;
    if (got == 0) return content;
    content.append(buf, static_cast<std::size_t>(got));
    if (content.size() > limit) return std::nullopt;
  }
}

// The parser's multi-line report as one short log line.
std::string OneLine(const std::string& text) {
  std::string line;
  for (const char c : text) {
    const bool blank = c == '\n' || c == ' ' || c == '\t';
    if (blank && (line.empty() || line.back() == ' ')) continue;
    line += blank ? ' ' : c;
    if (line.size() >= 200) break;
  }
  while (!line.empty() && line.back() == ' ') line.pop_back();
  return line;
}

LoadedValues Load(const std::string& folder) {
  LoadedValues result;
  const std::string path = folder + kValuesFile;
  // O_NONBLOCK: a FIFO planted here must not hang the open.
  const UniqueFd file(open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK));
  if (file.get() < 0) {
    const int err = errno;
    if (err == ENOENT) return result;
    result.status = LoadedValues::Damaged;
    result.problem = std::strerror(err);
    result.identity = path + "|" + result.problem;
    return result;
  }
  result.status = LoadedValues::Damaged;
  struct stat st{};
  if (fstat(file.get(), &st) != 0 || !S_ISREG(st.st_mode)) {
    result.problem = "not a regular file";
  } else if (static_cast<std::size_t>(st.st_size) > kMaxValuesFileBytes) {
    result.problem = "larger than 1 MiB";
  }
  std::ostringstream identity;
  identity << path << "|" << st.st_ino << "|" << st.st_mtim.tv_sec << "." << st.st_mtim.tv_nsec << "|" << st.st_size;
  result.identity = identity.str();
  if (!result.problem.empty()) return result;

  const std::optional<std::string> text = ReadBounded(file.get(), kMaxValuesFileBytes);
  if (!text) {
    result.problem = "unreadable or larger than 1 MiB";
    return result;
  }
  Json::CharReaderBuilder builder;
  Json::CharReaderBuilder::strictMode(&builder.settings_);
  builder["stackLimit"] = 32;  // the format is three levels deep
  std::unique_ptr<Json::CharReader> reader(builder.newCharReader());
  std::string errors;
  Json::Value doc;
  bool parsed = false;
  try {
    parsed = reader->parse(text->data(), text->data() + text->size(), &doc, &errors);
  } catch (const std::exception& e) {
    errors = e.what();
  }
  if (!parsed || !doc.isObject() || (doc.isMember("values") && !doc["values"].isObject())) {
    result.problem = "not a values document: " + OneLine(errors);
    return result;
  }
  result.status = LoadedValues::Ok;
  result.doc = std::move(doc);
  return result;
}

bool WriteAll(int fd, const std::string& text) {
  std::size_t done = 0;
  while (done < text.size()) {
    const ssize_t n = write(fd, text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<std::size_t>(n);
  }
  return true;
}

// KeyGone: the key's folder (or a parent) was deleted under a write, which may
// then make the key anew.
enum class WriteOutcome { Done, Refused, Failed, KeyGone };

WriteOutcome FailedOrGone(const std::string& folder, int err) {
  if (err == ENOENT) return WriteOutcome::KeyGone;
  CWLOG << " Cannot write registry key " << folder << ": " << std::strerror(err);
  return WriteOutcome::Failed;
}

// Temporary file, fsync, rename over the values file: readers see the old or
// the new values, never a mix or a torn file, even after a power cut.
WriteOutcome Store(const std::string& folder, const Json::Value& doc) {
  Json::StreamWriterBuilder builder;
  builder["indentation"] = "  ";
  builder["emitUTF8"] = true;
  const std::string text = Json::writeString(builder, doc) + "\n";
  if (text.size() > kMaxValuesFileBytes) {
    CWLOG << " Registry key " << folder << " would exceed 1 MiB, write refused";
    return WriteOutcome::Failed;
  }
  std::string temp = folder + kValuesFile + ".XXXXXX";
  const int fd = mkostemp(temp.data(), O_CLOEXEC);
  if (fd < 0) return FailedOrGone(folder, errno);
  bool ok = WriteAll(fd, text) && fsync(fd) == 0;
  ok = close(fd) == 0 && ok;
  ok = ok && rename(temp.c_str(), (folder + kValuesFile).c_str()) == 0;
  if (!ok) {
    const int err = errno;
    unlink(temp.c_str());
    return FailedOrGone(folder, err);
  }
  // No fsync of the folder: like the registry's lazy flush, a power cut may
  // cost the newest write, but never leaves a torn file.
  return WriteOutcome::Done;
}

// Changes the values object; false refuses the write (nothing to change).
using Mutation = std::function<bool(Json::Value& values)>;

WriteOutcome ModifyOnce(const std::string& folder, const std::string& keyName, const Mutation& mutate) {
  KeyLock lock;
  if (!lock.Acquire(folder, LOCK_EX)) return FailedOrGone(folder, errno);
  if (!lock.StillInPlace()) return WriteOutcome::KeyGone;
  LoadedValues loaded = Load(folder);
  const bool damaged = loaded.status == LoadedValues::Damaged;
  if (damaged) loaded.doc = Json::Value(Json::objectValue);
  Json::Value& doc = loaded.doc;
  if (!doc["key"].isString()) doc["key"] = keyName;
  if (!doc["values"].isObject()) doc["values"] = Json::Value(Json::objectValue);
  if (!mutate(doc["values"])) return WriteOutcome::Refused;
  if (damaged) {
    CWLOG << " Registry values file " << folder << kValuesFile << " is damaged (" << loaded.problem
          << "), replacing it";
  }
  return Store(folder, doc);
}

// Creates the missing folders of the key. A folder made here gets its values
// file at once, so that the key keeps the case it was created with.
WriteOutcome EnsureKey(const KeyLocation& loc) {
  if (!CreateDirectories(loc.hiveFolder)) {
    CWLOG << " Cannot create the registry folder " << loc.hiveFolder;
    return WriteOutcome::Failed;
  }
  std::string path = loc.hiveFolder;
  for (std::size_t i = 0; i < loc.folders.size(); ++i) {
    path += "/" + loc.folders[i];
    if (mkdir(path.c_str(), 0700) == 0) {
      const WriteOutcome named = ModifyOnce(path, loc.parts[i], [](Json::Value&) { return true; });
      if (named != WriteOutcome::Done) return named;
    } else if (errno != EEXIST) {
      return FailedOrGone(path, errno);
    }
  }
  return WriteOutcome::Done;
}

bool Write(RegHive hive, const std::string& key, bool createKey, const Mutation& mutate) {
  const std::optional<KeyLocation> loc = Locate(hive, key);
  if (!loc) return false;
  for (int attempt = 0; attempt < kWriteAttempts; ++attempt) {
    WriteOutcome outcome = createKey ? EnsureKey(*loc) : WriteOutcome::Done;
    if (outcome == WriteOutcome::Done) outcome = ModifyOnce(loc->folder, loc->parts.back(), mutate);
    if (outcome != WriteOutcome::KeyGone) return outcome == WriteOutcome::Done;
    if (!createKey) return false;
  }
  CWLOG << " Registry key " << key << " was deleted again and again while being written, giving up";
  return false;
}

bool IsText(const Json::Value& data) { return data.isString(); }

bool IsTextList(const Json::Value& data) {
  if (!data.isArray()) return false;
  return std::all_of(data.begin(), data.end(), [](const Json::Value& item) { return item.isString(); });
}

// The data of a value of the wanted type; nullopt when missing, of another
// type or damaged (logged once).
std::optional<Json::Value> ReadValue(RegHive hive, const std::string& key, const std::string& valueName,
                                     const char* type, bool (*isValidData)(const Json::Value&)) {
  const std::optional<KeyLocation> loc = Locate(hive, key);
  if (!loc || !DirectoryExists(loc->folder)) return std::nullopt;
  KeyLock lock;
  lock.Acquire(loc->folder, LOCK_SH);  // the atomic replace keeps reads whole even without it
  const LoadedValues loaded = Load(loc->folder);
  if (loaded.status == LoadedValues::Damaged) {
    if (FirstReport(loaded.identity)) {
      CWLOG << " Registry values file " << loc->folder << kValuesFile << " is damaged (" << loaded.problem
            << "), its values read as missing";
    }
    return std::nullopt;
  }
  const Json::Value& values = loaded.doc["values"];
  const std::string name = Lower(valueName);
  if (!values.isObject() || !values.isMember(name)) return std::nullopt;
  const Json::Value& entry = values[name];
  const bool wellFormed = entry.isObject() && entry["type"].isString();
  if (wellFormed && entry["type"].asString() != type) return std::nullopt;
  if (!wellFormed || !isValidData(entry["data"])) {
    if (FirstReport(loaded.identity + "|" + name)) {
      CWLOG << " Registry value " << valueName << " of " << loc->folder << " is damaged, read as missing";
    }
    return std::nullopt;
  }
  return entry["data"];
}

void SetEntry(Json::Value& values, const std::string& valueName, const char* type, Json::Value data) {
  const std::string lower = Lower(valueName);
  std::string name = valueName;
  // Like the registry, the value keeps the case it was first written with.
  if (values.isMember(lower) && values[lower].isObject() && values[lower]["name"].isString()) {
    name = values[lower]["name"].asString();
  }
  Json::Value entry(Json::objectValue);
  entry["name"] = name;
  entry["type"] = type;
  entry["data"] = std::move(data);
  values[lower] = std::move(entry);
}

std::string SubKeyName(const std::string& keyFolder, const std::string& folderName) {
  const LoadedValues loaded = Load(keyFolder + "/" + folderName);
  const Json::Value& key = loaded.doc["key"];
  if (loaded.status == LoadedValues::Ok && key.isString() && EncodePart(key.asString()) == folderName) {
    return key.asString();
  }
  return DecodePart(folderName);
}

// Renames the key's folder out of the way, which removes the key and all its
// subkeys at once; holding the key's lock lets a write in progress finish
// first. The new folder path, "" when the key is missing or cannot be moved,
// nullopt when the key was replaced while waiting for the lock (try again).
std::optional<std::string> MoveKeyAway(const KeyLocation& loc) {
  KeyLock lock;
  if (!lock.Acquire(loc.folder, LOCK_EX)) return std::string();
  if (!lock.StillInPlace()) return std::nullopt;
  std::string grave = loc.parentFolder + "/.deleted-XXXXXX";
  if (mkdtemp(grave.data()) == nullptr) {
    const int err = errno;
    CWLOG << " Cannot delete registry key " << loc.folder << ": " << std::strerror(err);
    return std::string();
  }
  if (rename(loc.folder.c_str(), grave.c_str()) != 0) {  // replaces the empty folder just made
    const int err = errno;
    rmdir(grave.c_str());
    if (err != ENOENT) CWLOG << " Cannot delete registry key " << loc.folder << ": " << std::strerror(err);
    return std::string();
  }
  return grave;
}

// Library calls below may throw (allocation, jsoncpp): none of it leaves here.
template <typename Result, typename Body>
Result Guarded(const char* what, Result fallback, Body body) {
  try {
    return body();
  } catch (const std::exception& e) {
    CWLOG << " Registry " << what << " failed: " << e.what();
  } catch (...) {
    CWLOG << " Registry " << what << " failed";
  }
  return fallback;
}

}  // namespace

bool RegGetString(RegHive hive, const std::string& key, const std::string& valueName, std::string& out) {
  return Guarded("read", false, [&] {
    const std::optional<Json::Value> data = ReadValue(hive, key, valueName, kTypeString, IsText);
    if (!data) return false;
    out = data->asString();
    return true;
  });
}

bool RegSetString(RegHive hive, const std::string& key, const std::string& valueName, const std::string& data) {
  return Guarded("write", false, [&] {
    return Write(hive, key, true, [&](Json::Value& values) {
      SetEntry(values, valueName, kTypeString, Json::Value(data));
      return true;
    });
  });
}

bool RegGetMultiString(RegHive hive, const std::string& key, const std::string& valueName,
                       std::vector<std::string>& out) {
  return Guarded("read", false, [&] {
    const std::optional<Json::Value> data = ReadValue(hive, key, valueName, kTypeMultiString, IsTextList);
    if (!data) return false;
    out.clear();
    for (const Json::Value& item : *data) out.push_back(item.asString());
    return true;
  });
}

bool RegSetMultiString(RegHive hive, const std::string& key, const std::string& valueName,
                       const std::vector<std::string>& data) {
  return Guarded("write", false, [&] {
    Json::Value list(Json::arrayValue);
    for (const std::string& item : data) list.append(Json::Value(item));
    return Write(hive, key, true, [&](Json::Value& values) {
      SetEntry(values, valueName, kTypeMultiString, list);
      return true;
    });
  });
}

bool RegDeleteValue(RegHive hive, const std::string& key, const std::string& valueName) {
  return Guarded("write", false, [&] {
    return Write(hive, key, false, [&](Json::Value& values) {
      Json::Value removed;
      return values.removeMember(Lower(valueName), &removed);
    });
  });
}

bool RegCreateKey(RegHive hive, const std::string& key) {
  return Guarded("write", false, [&] {
    const std::optional<KeyLocation> loc = Locate(hive, key);
    return loc && EnsureKey(*loc) == WriteOutcome::Done;
  });
}

bool RegKeyExists(RegHive hive, const std::string& key) {
  return Guarded("read", false, [&] {
    const std::optional<KeyLocation> loc = Locate(hive, key);
    return loc && DirectoryExists(loc->folder);
  });
}

bool RegDeleteKey(RegHive hive, const std::string& key) {
  return Guarded("delete", false, [&] {
    const std::optional<KeyLocation> loc = Locate(hive, key);
    if (!loc) return false;
    for (int attempt = 0; attempt < kWriteAttempts; ++attempt) {
      const std::optional<std::string> grave = MoveKeyAway(*loc);
      if (!grave) continue;
      if (grave->empty()) return false;
      std::error_code ec;
      std::filesystem::remove_all(*grave, ec);
      if (ec) CWLOG << " Registry key " << key << " deleted, but " << *grave << " remains: " << ec.message();
      return true;
    }
    return false;
  });
}

std::vector<std::string> RegEnumSubKeys(RegHive hive, const std::string& key) {
  return Guarded("enumeration", std::vector<std::string>{}, [&] {
    std::vector<std::string> names;
    const std::optional<KeyLocation> loc = Locate(hive, key);
    if (!loc) return names;
    std::error_code ec;
    for (std::filesystem::directory_iterator it(loc->folder, ec), end; !ec && it != end; it.increment(ec)) {
      const std::string folder = it->path().filename().string();
      std::error_code gone;  // a subkey deleted meanwhile just drops out
      if (folder[0] == '.' || !it->is_directory(gone)) continue;  // '.': the store's own files
      names.push_back(SubKeyName(loc->folder, folder));
    }
    std::sort(names.begin(), names.end(),
              [](const std::string& a, const std::string& b) { return Lower(a) < Lower(b); });
    return names;
  });
}

}  // namespace cwplat
