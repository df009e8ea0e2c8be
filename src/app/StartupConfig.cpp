#include "StartupConfig.h"

#include "CdnUrl.h"
#include "DecimalText.h"

#include <tinyxml2.h>

#include <cctype>
#include <climits>

int ParseDecimalInt(const std::string& text) { return FuntionImpl::ParseLeadingIntSaturated(text); }

std::optional<std::string> InstallerBaseName(const std::string& url) {
  const size_t slash = url.rfind('/');
  if (slash == std::string::npos) return std::nullopt;
  const size_t dot = url.find('.', slash + 1);
  if (dot == std::string::npos) return std::nullopt;
  return url.substr(slash + 1, dot - slash - 1);
}

StartupConfig ReadStartupConfig(const std::optional<std::string>& configureXml) {
  StartupConfig config;
  if (!configureXml) return config;
  tinyxml2::XMLDocument doc;
  if (doc.Parse(configureXml->data(), configureXml->size()) != tinyxml2::XML_SUCCESS) return config;
  const tinyxml2::XMLElement* root = doc.RootElement();
  const tinyxml2::XMLElement* group = root == nullptr ? nullptr : root->FirstChildElement();
  if (group == nullptr) return config;

  for (const auto* item = group->FirstChildElement(); item != nullptr; item = item->NextSiblingElement()) {
    const tinyxml2::XMLAttribute* keyAttr = item->FirstAttribute();
    const tinyxml2::XMLAttribute* valueAttr = keyAttr == nullptr ? nullptr : keyAttr->Next();
    if (keyAttr == nullptr) continue;
    const std::string key = keyAttr->Value();
    const std::string value = valueAttr == nullptr ? std::string() : valueAttr->Value();
    if (key == "Downloader_id") {
      config.downloaderIdText = value;
      config.downloaderId = ParseDecimalInt(value);
    } else if (key == "Site_id") {
      config.siteId = ParseDecimalInt(value);
    } else if (key == "MainPid") {
      config.mainPid = ParseDecimalInt(value);
    } else if (key == "Software_name") {
      config.softwareName = value;
    } else if (key == "Software_version") {
      config.softwareVersion = value;
    } else if (key == "Download_url" || key == "Extra_download_url") {
      if (config.startupUrl.empty() && !isCdnUrl(value)) config.startupUrl = value;
    } else if (key == "Support32System") {
      config.support32System = value;
    }
  }
  return config;
}
