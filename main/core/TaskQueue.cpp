#include "main/core/TaskQueue.h"

#include "base/core/Numbers.h"
#include "main/core/CommandSet.h"

namespace vm {

bool TaskQueue::QueuedCommandToPort(std::string commandstr, bool commandsDisabled) {
  if (commandsDisabled) return false;
  pending_.push_back(std::move(commandstr));
  tickets_.push_back(0);
  return true;
}

void TaskQueue::QueueRemoteLine(std::string line, uint64_t ticket) {
  pending_.push_back(std::move(line));
  tickets_.push_back(ticket);
}

std::optional<TaskQueue::Entry> TaskQueue::TakeNextEntry() {
  if (pending_.empty()) return std::nullopt;
  Entry e{std::move(pending_.front()), tickets_.front()};
  pending_.pop_front();
  tickets_.pop_front();
  return e;
}

std::optional<std::string> TaskQueue::TakeNextCommand() {
  auto e = TakeNextEntry();
  if (!e) return std::nullopt;
  return std::move(e->command);
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
  recallRequested_ = false;
  reinitRequested_ = false;
  requestInService_ = false;
}

RunStopAction RunStopClick(bool systemRunning) {
  if (systemRunning) return {false, "Run", RunCommand(false)};
  return {true, "Stop", RunCommand(true)};
}

std::string BinSaveName(int i) { return "BinSave" + std::to_string(i); }
std::string BinRestoreName(int i) { return "BinRestore" + std::to_string(i); }

}  // namespace vm
