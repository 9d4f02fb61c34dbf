#include "indi/camera_worker.h"

#include <utility>

#include "rig/rig.h"

namespace nvk::indi {

CameraWorker::CameraWorker(std::function<void()> wake)
    : wake_(std::move(wake)), thread_([this] { run(); }) {}

CameraWorker::~CameraWorker() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  ready_.notify_all();
  thread_.join();
}

void CameraWorker::post(Job job, bool urgent) {
  {
    std::lock_guard lock(mutex_);
    if (urgent) {
      jobs_.push_front(std::move(job));
    } else {
      jobs_.push_back(std::move(job));
    }
  }
  ready_.notify_one();
}

std::vector<CameraWorker::Reply> CameraWorker::takeReplies() {
  std::lock_guard lock(mutex_);
  return std::exchange(replies_, {});
}

int CameraWorker::pending() const {
  std::lock_guard lock(mutex_);
  return static_cast<int>(jobs_.size()) + running_;
}

void CameraWorker::run() {
  for (;;) {
    Job job;
    {
      std::unique_lock lock(mutex_);
      ready_.wait(lock, [this] { return stopping_ || !jobs_.empty(); });
      if (jobs_.empty()) break;
      job = std::move(jobs_.front());
      jobs_.pop_front();
      running_ = 1;
    }
    Reply reply = job(session_);
    const bool replied = static_cast<bool>(reply);
    {
      std::lock_guard lock(mutex_);
      running_ = 0;
      if (replied) replies_.push_back(std::move(reply));
    }
    if (replied) wake_();
  }
  // The program goes with the thread that used it.
  session_.rig.reset();
}

}  // namespace nvk::indi
