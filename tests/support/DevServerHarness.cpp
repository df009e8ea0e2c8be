#include "support/DevServerHarness.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <cstdio>
#include <sstream>

namespace devtest {
namespace {

const std::string kServer = CW_BINARY_DIR "/tools/devserver/cw_devserver";

std::size_t Append(char* data, std::size_t size, std::size_t count, void* target) {
  static_cast<std::string*>(target)->append(data, size * count);
  return size * count;
}

}  // namespace

char PatternByte(std::uint64_t offset) { return static_cast<char>((offset * 7 + offset / 251) & 0xFF); }

std::string PatternBytes(std::uint64_t first, std::uint64_t count) {
  std::string out(count, '\0');
  for (std::uint64_t i = 0; i < count; ++i) out[i] = PatternByte(first + i);
  return out;
}

std::string Reply::Header(const std::string& name) const {
  std::string value;
  std::istringstream lines(headers);
  std::string line;
  const std::string prefix = name + ":";
  while (std::getline(lines, line)) {
    if (line.rfind(prefix, 0) != 0) continue;
    value = line.substr(prefix.size());
    while (!value.empty() && (value.back() == '\r' || value.back() == ' ')) value.pop_back();
    while (!value.empty() && value.front() == ' ') value.erase(0, 1);
  }
  return value;
}

Reply Fetch(const std::string& url, const Request& request) {
  Reply reply;
  CURL* curl = curl_easy_init();
  if (curl == nullptr) {
    reply.code = CURLE_FAILED_INIT;
    return reply;
  }
  curl_slist* headers = nullptr;
  for (const std::string& h : request.headers) headers = curl_slist_append(headers, h.c_str());
  curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
  curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headers);
  curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, Append);
  curl_easy_setopt(curl, CURLOPT_WRITEDATA, &reply.body);
  curl_easy_setopt(curl, CURLOPT_HEADERFUNCTION, Append);
  curl_easy_setopt(curl, CURLOPT_HEADERDATA, &reply.headers);
  curl_easy_setopt(curl, CURLOPT_TIMEOUT_MS, request.timeoutMs);
  curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, request.follow ? 1L : 0L);
  curl_easy_setopt(curl, CURLOPT_MAXREDIRS, request.maxRedirects);
  if (!request.range.empty()) curl_easy_setopt(curl, CURLOPT_RANGE, request.range.c_str());
  if (request.method == "HEAD") curl_easy_setopt(curl, CURLOPT_NOBODY, 1L);
  if (request.method == "POST") {
    curl_easy_setopt(curl, CURLOPT_POSTFIELDS, request.body.c_str());
    curl_easy_setopt(curl, CURLOPT_POSTFIELDSIZE, static_cast<long>(request.body.size()));
  }
  if (!request.caFile.empty()) curl_easy_setopt(curl, CURLOPT_CAINFO, request.caFile.c_str());
  reply.code = curl_easy_perform(curl);
  curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &reply.status);
  curl_easy_getinfo(curl, CURLINFO_REDIRECT_COUNT, &reply.redirects);
  curl_easy_getinfo(curl, CURLINFO_TOTAL_TIME, &reply.seconds);
  curl_slist_free_all(headers);
  curl_easy_cleanup(curl);
  return reply;
}

DevServer::DevServer(const std::string& configJson, bool https) {
  std::filesystem::create_directories(m_dir / "root");
  cwtest::WriteFile(m_dir / "root/pattern.bin", PatternBytes(0, kPatternSize));
  cwtest::WriteFile(m_dir / "config.json", configJson);
  std::vector<std::string> args = {"--root",   m_dir / "root", "--config",     m_dir / "config.json",
                                   "--record", m_dir / "record.jsonl", "--port", "0"};
  if (https) {
    if (!cwtest::MakeTestCa(m_dir / "ca")) return;
    args.insert(args.end(), {"--https-port", "0", "--cert", m_dir / "ca/server.pem", "--key", m_dir / "ca/server.key"});
  }
  m_process = std::make_unique<cwtest::ChildProcess>(kServer, args, std::map<std::string, std::string>{},
                                                     m_dir / "output.txt");
  cwtest::WaitUntil(10000, [&] {
    std::istringstream text(output());
    std::string line;
    while (std::getline(text, line)) {
      if (std::sscanf(line.c_str(), "devserver http=%d https=%d", &m_httpPort, &m_httpsPort) == 2) return true;
    }
    m_httpPort = 0;
    return false;
  });
  if (!ready()) ADD_FAILURE() << "cw_devserver did not start: " << output();
}

DevServer::~DevServer() { Stop(); }

std::string DevServer::output() const {
  std::ifstream in(m_dir / "output.txt");
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

std::string DevServer::Url(const std::string& path) const {
  return "http://127.0.0.1:" + std::to_string(m_httpPort) + path;
}

std::string DevServer::HttpsUrl(const std::string& path) const {
  return "https://127.0.0.1:" + std::to_string(m_httpsPort) + path;
}

std::string DevServer::DeploymentXml(const std::vector<std::string>& services,
                                     const std::vector<std::string>& signingAnchorFiles, bool trustOwnCa) const {
  std::string xml = "<Deployment>\n";
  for (const std::string& name : services) {
    xml += "  <Service name=\"" + name + "\" host=\"127.0.0.1\" http_port=\"" + std::to_string(m_httpPort) + "\"";
    if (m_httpsPort > 0) xml += " https_port=\"" + std::to_string(m_httpsPort) + "\"";
    xml += " />\n";
  }
  if (trustOwnCa && m_httpsPort > 0) xml += "  <TlsTrustAnchor file=\"" + caFile() + "\" />\n";
  for (const std::string& file : signingAnchorFiles) xml += "  <CodeSigningTrustAnchor file=\"" + file + "\" />\n";
  return xml + "</Deployment>\n";
}

long DevServer::Control(const std::string& json) {
  Request request;
  request.method = "POST";
  request.body = json;
  return Fetch(Url("/__control"), request).status;
}

std::vector<Json::Value> DevServer::Records() const {
  std::vector<Json::Value> out;
  std::ifstream in(m_dir / "record.jsonl");
  std::string line;
  Json::CharReaderBuilder builder;
  while (std::getline(in, line)) {
    Json::Value value;
    std::string errors;
    std::istringstream stream(line);
    if (Json::parseFromStream(builder, stream, &value, &errors)) out.push_back(value);
  }
  return out;
}

bool DevServer::WaitForRecords(std::size_t count) const {
  return cwtest::WaitUntil(5000, [&] { return Records().size() >= count; });
}

int DevServer::Stop() {
  if (!m_process) return -1;
  m_process->Kill(SIGTERM);
  const int code = m_process->Wait(15000);
  m_process.reset();
  return code;
}

}  // namespace devtest
