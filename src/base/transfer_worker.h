#pragma once

#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

#include "port/camera_transport.h"

namespace nvk::base {

// The thread a camera channel's reads run on, one at a time, while the program's thread goes on
// (port::CameraTransport::startRead). The thread starts with the first job and ends with the
// worker, which first waits for a job still running. Header-only: the simulator's channel,
// which is built without the platform library, runs on it too.
class TransferWorker {
 public:
  TransferWorker() = default;
  ~TransferWorker();
  TransferWorker(const TransferWorker&) = delete;
  TransferWorker& operator=(const TransferWorker&) = delete;

  // Runs `job` on the worker's thread; the job before must have been waited for.
  void start(std::function<port::TransferResult()> job);
  // True when no job is running (the last one has ended, or none was started).
  bool done();
  // Waits for the job's end and returns its result.
  port::TransferResult wait();

 private:
  void loop();

  std::mutex mutex_;
  std::condition_variable changed_;
  std::function<port::TransferResult()> job_;
  port::TransferResult result_;
  bool running_ = false;
  bool stopping_ = false;
  std::thread thread_;
};

inline TransferWorker::~TransferWorker() {
  {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return !running_; });
    stopping_ = true;
  }
  changed_.notify_all();
  if (thread_.joinable()) thread_.join();
}

inline void TransferWorker::start(std::function<port::TransferResult()> job) {
  {
    std::lock_guard lock(mutex_);
    job_ = std::move(job);
    running_ = true;
    if (!thread_.joinable()) thread_ = std::thread([this] { loop(); });
  }
  changed_.notify_all();
}

inline bool TransferWorker::done() {
  std::lock_guard lock(mutex_);
  return !running_;
}

inline port::TransferResult TransferWorker::wait() {
  std::unique_lock lock(mutex_);
  changed_.wait(lock, [this] { return !running_; });
  return result_;
}

inline void TransferWorker::loop() {
  std::unique_lock lock(mutex_);
  for (;;) {
    changed_.wait(lock, [this] { return stopping_ || job_; });
    if (stopping_) return;
    auto job = std::move(job_);
    job_ = nullptr;
    lock.unlock();
    const port::TransferResult result = job();
    lock.lock();
    result_ = result;
    running_ = false;
    changed_.notify_all();
  }
}

}  // namespace nvk::base
