// The task file: an XML record of every range and how far it got, written
// beside the output file and read back by the next start.
#include "CDownloadTaskManager.h"
#include "DecimalText.h"

#include "platform/file_io.h"
#include "platform/log.h"
#include "platform/read_bounded.h"

#include <tinyxml2.h>

#include <cctype>
#include <climits>
#include <cstring>
#include <optional>

namespace {

// A whole decimal number, blanks around it allowed; nothing for any other text
// (or none) or a value outside [minimum, maximum].
std::optional<std::int64_t> ParseInteger(const char* text, std::int64_t minimum, std::int64_t maximum) {
  if (text == nullptr) return std::nullopt;
  return FuntionImpl::ParseWholeDecimal(text, minimum, maximum);
}

void ReadInt64(const tinyxml2::XMLElement* e, std::int64_t& field) {
  if (auto v = ParseInteger(e->GetText(), INT64_MIN, INT64_MAX)) field = *v;
}

void ReadInt32(const tinyxml2::XMLElement* e, int& field) {
  if (auto v = ParseInteger(e->GetText(), INT_MIN, INT_MAX)) field = static_cast<int>(*v);
}

void ReadText(const tinyxml2::XMLElement* e, std::string& field) {
  const char* text = e->GetText();
  field = text == nullptr ? "" : text;
}

// A task as the file describes it; positions are made safe to act on before use.
struct TaskRecord {
  std::int64_t startPos = 0, endPos = 0, downloadedPos = 0;
  std::string remotePath, localPath;
  int status = 0, id = 0;
};

void AddTextElement(tinyxml2::XMLDocument& doc, tinyxml2::XMLElement* parent, const char* name,
                    const std::string& text) {
  tinyxml2::XMLElement* e = doc.NewElement(name);
  e->SetText(text.c_str());
  parent->InsertEndChild(e);
}

}  // namespace

bool CDownloadTaskManager::loadTaskFromFile(int logging) {
  bool truncated = false;
  const auto text = cwplat::ReadFileBounded(m_taskFilePath, kMaxTaskFileBytes, &truncated);
  if (!text || truncated) return loadTaskFromText("", logging);
  return loadTaskFromText(*text, logging);
}

bool CDownloadTaskManager::loadTaskFromText(const std::string& text, int logging) {
  tinyxml2::XMLDocument doc;
  const tinyxml2::XMLElement* root = nullptr;
  if (!text.empty() && doc.Parse(text.data(), text.size()) == tinyxml2::XML_SUCCESS) root = doc.FirstChildElement();
  if (root == nullptr) return false;

  bool allComplete = true;
  std::vector<TaskRecord> records;
  for (const auto* e = root->FirstChildElement(); e != nullptr; e = e->NextSiblingElement()) {
    const char* name = e->Name();
    if (std::strcmp(name, "TasksCount") == 0) {
      ReadInt32(e, TasksCount);
    } else if (std::strcmp(name, "ContentLength") == 0) {
      ReadInt64(e, ContentLength);
    } else if (std::strcmp(name, "DownloadTime") == 0) {
      ReadInt64(e, DownloadTime);
    } else if (std::strcmp(name, "Task") == 0 && records.size() < static_cast<std::size_t>(kMaxTasks)) {
      TaskRecord r;
      for (const auto* c = e->FirstChildElement(); c != nullptr; c = c->NextSiblingElement()) {
        const char* field = c->Name();
        if (std::strcmp(field, "StartPos") == 0) ReadInt64(c, r.startPos);
        else if (std::strcmp(field, "EndPos") == 0) ReadInt64(c, r.endPos);
        else if (std::strcmp(field, "DownloadedPos") == 0) ReadInt64(c, r.downloadedPos);
        else if (std::strcmp(field, "TaskStatus") == 0) ReadInt32(c, r.status);
        else if (std::strcmp(field, "TaskId") == 0) ReadInt32(c, r.id);
        else if (std::strcmp(field, "LocalPath") == 0) ReadText(c, r.localPath);
        else if (std::strcmp(field, "RemotePath") == 0) {
          ReadText(c, r.remotePath);
          if (ContentLength != 0 && !r.remotePath.empty()) storeContentLength(r.remotePath, ContentLength);
        }
      }
      if (r.status != CTask::kComplete) allComplete = false;
      records.push_back(std::move(r));
    }
  }

  for (TaskRecord& r : records) {
    auto task = std::make_unique<CTask>();
    task->StartPos = r.startPos;
    task->EndPos = r.endPos;
    task->contentLength = ContentLength;
    task->remotePath = std::move(r.remotePath);
    task->localPath = std::move(r.localPath);
    task->id.store(r.id);
    task->logging = logging;
    // A position outside its range would have us write outside it: start the range over.
    if (r.downloadedPos < r.startPos || r.downloadedPos > r.endPos) r.downloadedPos = r.startPos;
    // "Complete" with bytes still missing would leave a hole for ever: fetch the rest.
    if (r.status == CTask::kComplete && r.downloadedPos != r.endPos) {
      r.status = CTask::kWaiting;
      allComplete = false;
    }
    task->DownloadedPos.store(r.downloadedPos);
    task->status.store(r.status);
    addTask(std::move(task));
  }
  if (logging != 0) logTasksInfo("load");
  return allComplete;
}

std::string CDownloadTaskManager::taskFileText() const {
  tinyxml2::XMLDocument doc;
  tinyxml2::XMLElement* root = doc.NewElement("TaskInfo");
  doc.InsertFirstChild(root);
  AddTextElement(doc, root, "TasksCount", std::to_string(TasksCount));
  AddTextElement(doc, root, "ContentLength", std::to_string(ContentLength));
  AddTextElement(doc, root, "DownloadTime", std::to_string(DownloadTime));
  for (const auto& task : m_tasks) {
    // Status first: a status of complete then guarantees the final position.
    const int status = task->status.load();
    const std::int64_t downloadedPos = task->DownloadedPos.load(std::memory_order_acquire);
    tinyxml2::XMLElement* e = doc.NewElement("Task");
    root->InsertEndChild(e);
    AddTextElement(doc, e, "StartPos", std::to_string(task->StartPos));
    AddTextElement(doc, e, "EndPos", std::to_string(task->EndPos));
    AddTextElement(doc, e, "DownloadedPos", std::to_string(downloadedPos));
    AddTextElement(doc, e, "RemotePath", task->remotePath);
    AddTextElement(doc, e, "LocalPath", task->localPath);
    AddTextElement(doc, e, "TaskStatus", std::to_string(status));
    AddTextElement(doc, e, "TaskId", std::to_string(task->id.load()));
    AddTextElement(doc, e, "RequestTimes", std::to_string(task->RequestTimes.load()));
  }
  tinyxml2::XMLPrinter printer(nullptr, false);
  doc.Print(&printer);
  return std::string(printer.CStr(), static_cast<std::size_t>(printer.CStrSize() > 0 ? printer.CStrSize() - 1 : 0));
}

void CDownloadTaskManager::saveTaskFile() const { cwplat::ReplaceFileAtomic(m_taskFilePath, taskFileText()); }
