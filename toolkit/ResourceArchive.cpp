#include "toolkit/ResourceArchive.h"

#include <zip.h>

namespace cwui {

CResourceArchive::~CResourceArchive() {
  if (m_zip != nullptr) zip_discard(m_zip);
}

CResourceArchive& CResourceArchive::Instance() {
  static CResourceArchive archive;
  return archive;
}

bool CResourceArchive::Open(const void* data, std::size_t size) {
  std::lock_guard<std::mutex> lock(m_mutex);
  if (m_zip != nullptr) {
    zip_discard(m_zip);
    m_zip = nullptr;
  }
  m_lastError.clear();
  if (data == nullptr || size == 0) {
    m_lastError = "no archive bytes";
    return false;
  }
  m_bytes.assign(static_cast<const unsigned char*>(data), static_cast<const unsigned char*>(data) + size);
  zip_error_t error;
  zip_error_init(&error);
  zip_source_t* source = zip_source_buffer_create(m_bytes.data(), m_bytes.size(), 0, &error);
  if (source == nullptr) {
    m_lastError = zip_error_strerror(&error);
    zip_error_fini(&error);
    return false;
  }
  m_zip = zip_open_from_source(source, ZIP_RDONLY | ZIP_CHECKCONS, &error);
  if (m_zip == nullptr) {
    m_lastError = zip_error_strerror(&error);
    zip_source_free(source);
  }
  zip_error_fini(&error);
  return m_zip != nullptr;
}

bool CResourceArchive::IsOpen() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_zip != nullptr;
}

std::string CResourceArchive::Normalize(const std::string& path) {
  std::string out;
  out.reserve(path.size());
  for (char c : path) {
    char n = c == '\\' ? '/' : c;
    if (n == '/' && (out.empty() || out.back() == '/')) continue;  // no leading or doubled separators
    out += n;
  }
  return out;
}

bool CResourceArchive::Contains(const std::string& path) const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_zip != nullptr && zip_name_locate(m_zip, Normalize(path).c_str(), 0) >= 0;
}

std::optional<std::string> CResourceArchive::Read(const std::string& path) const {
  std::lock_guard<std::mutex> lock(m_mutex);
  if (m_zip == nullptr) return std::nullopt;
  zip_stat_t st;
  zip_stat_init(&st);
  const std::string name = Normalize(path);
  if (zip_stat(m_zip, name.c_str(), 0, &st) != 0 || (st.valid & ZIP_STAT_SIZE) == 0) return std::nullopt;
  if (st.size > kMaxEntryBytes) return std::nullopt;
  zip_file_t* file = zip_fopen(m_zip, name.c_str(), 0);
  if (file == nullptr) return std::nullopt;
  std::string bytes(static_cast<std::size_t>(st.size), '\0');
  zip_int64_t total = 0;
  while (static_cast<zip_uint64_t>(total) < st.size) {
    zip_int64_t n = zip_fread(file, bytes.data() + total, st.size - static_cast<zip_uint64_t>(total));
    if (n <= 0) break;
    total += n;
  }
  // libzip compares the entry's CRC only when a read reaches the end of the
  // entry, so one more read must find nothing; an entry whose data inflates to
  // the right length but wrong bytes is refused there.
  char past = 0;
  const bool complete = static_cast<zip_uint64_t>(total) == st.size && zip_fread(file, &past, 1) == 0;
  const bool ok = zip_fclose(file) == 0 && complete;
  if (!ok) return std::nullopt;
  return bytes;
}

}  // namespace cwui
