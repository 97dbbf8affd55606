#include "main/core/TaskQueue.h"

#include "base/core/Numbers.h"
#include "main/core/CommandSet.h"

namespace vm {

bool TaskQueue::QueuedCommandToPort(std::string commandstr) {
  if (commandsDisabled_) return false;
  pending_.push_back(std::move(commandstr));
  return true;
}

std::optional<std::string> TaskQueue::TakeNextCommand() {
  if (pending_.empty()) return std::nullopt;
  std::string c = std::move(pending_.front());
  pending_.pop_front();
  return c;
}

bool TaskQueue::BeginTick(bool statusUpdateBusy, bool portInUse) {
  if (statusUpdateBusy || portInUse || taskBusy_ || initializeRunning_) return false;
  taskBusy_ = true;
  return true;
}

std::optional<TaskRequest> TaskQueue::TakeRequest() {
  if (!recallRequested_ && !reinitRequested_) return std::nullopt;
  TaskRequest r{recallRequested_, recallBinNumber_};
  recallRequested_ = false;
  reinitRequested_ = false;
  requestInService_ = true;
  return r;
}

void TaskQueue::RecoverAfterError() {
  commandsDisabled_ = false;
  recallRequested_ = false;
  reinitRequested_ = false;
  requestInService_ = false;
  taskBusy_ = false;
  initializeRunning_ = false;
}

RunStopAction RunStopClick(bool systemRunning) {
  if (systemRunning) return {false, "Run", RunCommand(false)};
  return {true, "Stop", RunCommand(true)};
}

std::string BinSaveName(int i) { return "BinSave" + std::to_string(i); }
std::string BinRestoreName(int i) { return "BinRestore" + std::to_string(i); }

}  // namespace vm
