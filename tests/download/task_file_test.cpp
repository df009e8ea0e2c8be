// Splitting a file into ranges, the task file's exact shape, reading it back
// defensively, and the check that decides whether it is kept.
#include "CDownloadTaskManager.h"
#include "EngineTestSupport.h"
#include "platform/file_io.h"
#include "platform/paths.h"

#include <gtest/gtest.h>

namespace {

using enginetest::EventRecorder;

constexpr std::int64_t kMiB = 1024 * 1024;
const std::string kUrl = "http://127.0.0.1:9/pkg.exe";  // never contacted: sizes come from the cache

struct Fixture {
  cwtest::TempDir dir;
  std::string local = dir / "pkg.exe";
  std::string taskFile = local + ".xml";
  CDownloadTaskManager manager{kUrl, local, taskFile};

  void split(std::int64_t size) {
    CDownloadTaskManager::storeContentLength(kUrl, size);
    ASSERT_EQ(manager.generateDownloadTask(false, "", 0), DOWNLOAD_SUCCESS);
  }
};

TEST(TaskSplit, RangesTileTheFileAndTheLastTakesTheRemainder) {
  struct Case {
    std::int64_t size;
    std::vector<std::pair<std::int64_t, std::int64_t>> ranges;
  };
  const std::vector<Case> cases = {
      {4194303, {{0, 4194303}}},
      {4194304, {{0, 4194304}}},
      {9 * kMiB, {{0, 4194303}, {4194304, 9 * kMiB}}},
      {12582913, {{0, 4194303}, {4194304, 8388607}, {8388608, 12582913}}},
  };
  for (const Case& c : cases) {
    Fixture f;
    f.split(c.size);
    ASSERT_EQ(f.manager.tasks().size(), c.ranges.size()) << c.size;
    EXPECT_EQ(f.manager.tasksCount(), static_cast<int>(c.ranges.size()));
    for (std::size_t i = 0; i < c.ranges.size(); ++i) {
      const CTask& t = *f.manager.tasks()[i];
      EXPECT_EQ(t.StartPos, c.ranges[i].first);
      EXPECT_EQ(t.EndPos, c.ranges[i].second);
      EXPECT_EQ(t.DownloadedPos.load(), t.StartPos);
      EXPECT_EQ(t.id.load(), static_cast<int>(i + 1));
      EXPECT_EQ(t.remotePath, kUrl);
      EXPECT_EQ(t.contentLength, c.size);
    }
    EXPECT_EQ(f.manager.waitingCount(), c.ranges.size());
    EXPECT_EQ(f.manager.checkTasks(c.size), CDownloadTaskManager::kCheckValid);
  }
}

TEST(TaskSplit, QueueHandsOutInOrderAndMarksTasks) {
  Fixture f;
  f.split(9 * kMiB);
  CTask* first = f.manager.getTask();
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(first->id.load(), 1);
  EXPECT_EQ(first->status.load(), CTask::kHandedOut);
  EXPECT_EQ(f.manager.getTask()->id.load(), 2);
  EXPECT_EQ(f.manager.getTask(), nullptr);
  EXPECT_EQ(f.manager.handedOutTasks().size(), 2u);
}

TEST(TaskSplit, AbsurdRemoteSizeIsRefused) {
  Fixture f;
  CDownloadTaskManager::storeContentLength(kUrl, INT64_MAX / 2);
  EXPECT_EQ(f.manager.generateDownloadTask(false, "", 0), DOWNLOAD_GET_SIZE_FAILED);
  EXPECT_TRUE(f.manager.tasks().empty());
}

TEST(TaskSplit, ProbeReportIsSentWithTheLabel) {
  EventRecorder events;
  Fixture f;
  f.split(9 * kMiB);
  EXPECT_TRUE(events.events().empty());  // no label, no event
  CDownloadTaskManager again(kUrl, f.local, f.taskFile);
  ASSERT_EQ(again.generateDownloadTask(false, "Download", 0), DOWNLOAD_SUCCESS);
  EXPECT_TRUE(events.has("Other/Download/Success/Null/Null/Null/Null/Null/Null/Null/Null/Null"));
}

TEST(TaskFile, SavedDocumentHasTheExactStoredShape) {
  Fixture f;
  f.split(9 * kMiB);
  f.manager.addDownloadTime(1234);
  f.manager.tasks()[0]->status.store(CTask::kComplete);
  f.manager.tasks()[0]->DownloadedPos.store(4194303);
  f.manager.tasks()[1]->RequestTimes.store(2);
  f.manager.saveTaskFile();
  const std::string expected =
      "<TaskInfo>\n"
      "    <TasksCount>2</TasksCount>\n"
      "    <ContentLength>9437184</ContentLength>\n"
      "    <DownloadTime>1234</DownloadTime>\n"
      "    <Task>\n"
      "        <StartPos>0</StartPos>\n"
      "        <EndPos>4194303</EndPos>\n"
      "        <DownloadedPos>4194303</DownloadedPos>\n"
      "        <RemotePath>" + kUrl + "</RemotePath>\n"
      "        <LocalPath>" + f.local + "</LocalPath>\n"
      "        <TaskStatus>1</TaskStatus>\n"
      "        <TaskId>1</TaskId>\n"
      "        <RequestTimes>0</RequestTimes>\n"
      "    </Task>\n"
      "    <Task>\n"
      "        <StartPos>4194304</StartPos>\n"
      "        <EndPos>9437184</EndPos>\n"
      "        <DownloadedPos>4194304</DownloadedPos>\n"
      "        <RemotePath>" + kUrl + "</RemotePath>\n"
      "        <LocalPath>" + f.local + "</LocalPath>\n"
      "        <TaskStatus>0</TaskStatus>\n"
      "        <TaskId>2</TaskId>\n"
      "        <RequestTimes>2</RequestTimes>\n"
      "    </Task>\n"
      "</TaskInfo>\n";
  EXPECT_EQ(cwtest::ReadFile(f.taskFile), expected);
  EXPECT_FALSE(cwplat::FileExists(f.taskFile + ".tmp"));
}

TEST(TaskFile, RoundTripKeepsStateAndQueuesOnlyUnfinishedRanges) {
  Fixture f;
  f.split(12582913);
  f.manager.addDownloadTime(777);
  f.manager.tasks()[0]->status.store(CTask::kComplete);
  f.manager.tasks()[0]->DownloadedPos.store(4194303);
  f.manager.tasks()[1]->status.store(CTask::kFailed);
  f.manager.tasks()[1]->DownloadedPos.store(5000000);
  f.manager.tasks()[1]->RequestTimes.store(3);
  f.manager.saveTaskFile();

  CDownloadTaskManager loaded("http://elsewhere.test/x", f.local, f.taskFile);
  EXPECT_FALSE(loaded.loadTaskFromFile(0));
  ASSERT_EQ(loaded.tasks().size(), 3u);
  EXPECT_EQ(loaded.contentLength(), 12582913);
  EXPECT_EQ(loaded.downloadTime(), 777);
  EXPECT_EQ(loaded.tasks()[1]->DownloadedPos.load(), 5000000);
  EXPECT_EQ(loaded.tasks()[1]->RequestTimes.load(), 0);  // counts start afresh every run
  EXPECT_EQ(loaded.tasks()[2]->contentLength, 12582913);
  EXPECT_EQ(loaded.handedOutTasks().size(), 1u);
  EXPECT_EQ(loaded.waitingCount(), 2u);
  EXPECT_EQ(loaded.checkTasks(12582913), CDownloadTaskManager::kCheckValid);
  // The file's remote path and size now answer size probes of that URL.
  EXPECT_EQ(CDownloadTaskManager::lookupContentLength(kUrl), 12582913);
  // Saving what was loaded gives the same document (request counts aside).
  loaded.tasks()[1]->RequestTimes.store(3);
  EXPECT_EQ(loaded.taskFileText(), f.manager.taskFileText());
}

TEST(TaskFile, FinishedRunLoadsAsComplete) {
  Fixture f;
  f.split(9 * kMiB);
  for (const auto& t : f.manager.tasks()) {
    t->status.store(CTask::kComplete);
    t->DownloadedPos.store(t->EndPos);
  }
  f.manager.saveTaskFile();
  CDownloadTaskManager loaded(kUrl, f.local, f.taskFile);
  EXPECT_TRUE(loaded.loadTaskFromFile(0));
  EXPECT_EQ(loaded.waitingCount(), 0u);
}

TEST(TaskFile, ReaderIsLenientAboutOrderNamesAndBadNumbers) {
  CDownloadTaskManager m(kUrl, "/tmp/x", "/tmp/x.xml");
  const bool complete = m.loadTaskFromText(R"(<Anything>
      <Unknown>5</Unknown>
      <Task><StartPos>0</StartPos><EndPos>4194303</EndPos><DownloadedPos>12abc</DownloadedPos>
            <TaskStatus>0x1</TaskStatus><TaskId>1</TaskId><Extra/></Task>
      <TasksCount>99999999999</TasksCount>
      <ContentLength> 5000000 </ContentLength>
      <Task><StartPos>4194304</StartPos><EndPos>5000000</EndPos><DownloadedPos>4194304</DownloadedPos>
            <TaskStatus>1</TaskStatus><TaskId>2</TaskId></Task>
    </Anything>)", 0);
  EXPECT_FALSE(complete);
  ASSERT_EQ(m.tasks().size(), 2u);
  EXPECT_EQ(m.tasksCount(), 0);  // out of range: left as it was
  EXPECT_EQ(m.contentLength(), 5000000);
  const CTask& first = *m.tasks()[0];
  EXPECT_EQ(first.DownloadedPos.load(), 0);  // not a number: left as it was
  EXPECT_EQ(first.status.load(), 0);
  EXPECT_EQ(first.contentLength, 5000000);  // size given after the task still reaches it
  EXPECT_TRUE(first.remotePath.empty());
}

TEST(TaskFile, InconsistentPositionsAreNeverTrusted) {
  CDownloadTaskManager m(kUrl, "/tmp/x", "/tmp/x.xml");
  m.loadTaskFromText(R"(<TaskInfo><ContentLength>9437184</ContentLength>
      <Task><StartPos>0</StartPos><EndPos>4194303</EndPos><DownloadedPos>4000000</DownloadedPos>
            <TaskStatus>1</TaskStatus><TaskId>1</TaskId></Task>
      <Task><StartPos>4194304</StartPos><EndPos>9437184</EndPos><DownloadedPos>99999999</DownloadedPos>
            <TaskStatus>2</TaskStatus><TaskId>2</TaskId></Task></TaskInfo>)", 0);
  ASSERT_EQ(m.tasks().size(), 2u);
  // "Complete" with bytes missing is fetched again from where it stopped.
  EXPECT_EQ(m.tasks()[0]->status.load(), CTask::kWaiting);
  EXPECT_EQ(m.tasks()[0]->DownloadedPos.load(), 4000000);
  // A position outside the range starts the range over.
  EXPECT_EQ(m.tasks()[1]->DownloadedPos.load(), 4194304);
  EXPECT_EQ(m.waitingCount(), 2u);
}

TEST(TaskFile, UnreadableFilesYieldNoTasks) {
  cwtest::TempDir dir;
  for (const std::string& text : {std::string(), std::string("<TaskInfo><Task>"), std::string("not xml"),
                                  std::string("<?xml version=\"1.0\"?>")}) {
    cwtest::WriteFile(dir / "t.xml", text);
    CDownloadTaskManager m(kUrl, dir / "t", dir / "t.xml");
    EXPECT_FALSE(m.loadTaskFromFile(0)) << text;
    EXPECT_TRUE(m.tasks().empty()) << text;
  }
}

TEST(TaskFile, FailedSaveLeavesTheOldFileWhole) {
  Fixture f;
  f.split(9 * kMiB);
  f.manager.saveTaskFile();
  const std::string before = cwtest::ReadFile(f.taskFile);
  // The temporary file cannot be created: the save fails and changes nothing.
  ASSERT_TRUE(cwplat::CreateDirectories(f.taskFile + ".tmp"));
  f.manager.tasks()[0]->DownloadedPos.store(1000);
  f.manager.saveTaskFile();
  EXPECT_EQ(cwtest::ReadFile(f.taskFile), before);
}

TEST(TaskCheck, SizeChangeAndBrokenTilingAreRejected) {
  EventRecorder events;
  Fixture f;
  f.split(12582913);
  EXPECT_EQ(f.manager.checkTasks(12582914), CDownloadTaskManager::kCheckSizeDiffers);
  EXPECT_TRUE(events.has("Other/FlowError/DL025"));

  auto inconsistent = [&](const std::string& xml) {
    CDownloadTaskManager m(kUrl, f.local, f.taskFile);
    m.loadTaskFromText(xml, 0);
    return m.checkTasks(m.contentLength());
  };
  const std::string head = "<TaskInfo><ContentLength>9437184</ContentLength>";
  const std::string first = "<Task><StartPos>0</StartPos><EndPos>4194303</EndPos><TaskId>1</TaskId></Task>";
  const std::string second = "<Task><StartPos>4194304</StartPos><EndPos>9437184</EndPos><TaskId>2</TaskId></Task>";
  EXPECT_EQ(inconsistent(head + first + second + "</TaskInfo>"), CDownloadTaskManager::kCheckValid);
  // A gap, a wrong id, a short last range, a missing range, an empty list,
  // an empty range, a range running backwards.
  EXPECT_EQ(inconsistent(head + second + first + "</TaskInfo>"), CDownloadTaskManager::kCheckRangesInconsistent);
  EXPECT_EQ(inconsistent(head + first +
                         "<Task><StartPos>4194304</StartPos><EndPos>9437184</EndPos><TaskId>3</TaskId></Task>"
                         "</TaskInfo>"),
            CDownloadTaskManager::kCheckRangesInconsistent);
  EXPECT_EQ(inconsistent(head + first +
                         "<Task><StartPos>4194304</StartPos><EndPos>9437183</EndPos><TaskId>2</TaskId></Task>"
                         "</TaskInfo>"),
            CDownloadTaskManager::kCheckRangesInconsistent);
  EXPECT_EQ(inconsistent(head + first + "</TaskInfo>"), CDownloadTaskManager::kCheckRangesInconsistent);
  EXPECT_EQ(inconsistent(head + "</TaskInfo>"), CDownloadTaskManager::kCheckRangesInconsistent);
  EXPECT_EQ(inconsistent("<TaskInfo><ContentLength>4194304</ContentLength>"
                         "<Task><StartPos>0</StartPos><EndPos>0</EndPos><TaskId>1</TaskId></Task>"
                         "<Task><StartPos>1</StartPos><EndPos>4194304</EndPos><TaskId>1</TaskId></Task></TaskInfo>"),
            CDownloadTaskManager::kCheckRangesInconsistent);
  EXPECT_GE(events.count("Other/FlowError/DL026"), 6u);
}

}  // namespace
