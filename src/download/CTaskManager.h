// The queue interface the driver and the workers see of a task manager.
#pragma once

class CTask;

class CTaskManager {
 public:
  virtual ~CTaskManager() = default;

  // Removes the first waiting task, marks it handed out and returns it; none
  // when nothing waits.
  virtual CTask* getTask() = 0;
  // Puts a task on the waiting queue.
  virtual void addWaitingTask(CTask* task) = 0;
  // Puts a task on the handed-out list.
  virtual void addHandedOutTask(CTask* task) = 0;
};
