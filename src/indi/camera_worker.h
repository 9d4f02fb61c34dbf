#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "indi/driver_ui.h"

namespace nvk::rig {
class Rig;
}

namespace nvk::indi {

// What the camera thread owns: the rig (the program with its camera, guide head and wheel) and
// the Ui its messages go to. Touched by jobs only, so only ever by the camera thread.
struct CameraSession {
  std::unique_ptr<rig::Rig> rig;
  DriverUi ui;
  // Set when a transfer failed: the camera is closed and looked for again before its next use.
  bool lost = false;
};

// The camera's own thread. The program's core is single-threaded and a camera call can take
// seconds (a full-frame download), so the INDI event loop never calls it: it posts jobs, which
// run here one after the other, and each job answers with a reply that runs back on the INDI
// loop (takeReplies(), after `wake` said there is one). Nothing else is shared between the two
// threads.
class CameraWorker {
 public:
  using Reply = std::function<void()>;
  using Job = std::function<Reply(CameraSession&)>;

  // `wake` is called on the camera thread whenever a reply is waiting.
  explicit CameraWorker(std::function<void()> wake);
  // Runs the jobs still queued, then ends the thread; replies not taken are dropped.
  ~CameraWorker();
  CameraWorker(const CameraWorker&) = delete;
  CameraWorker& operator=(const CameraWorker&) = delete;

  // Queues a job behind the others; `urgent` puts it in front of those not yet started (guide
  // pulses, which must not wait for a queued download).
  void post(Job job, bool urgent = false);
  // The replies of finished jobs, in the order the jobs ran.
  std::vector<Reply> takeReplies();
  // Jobs queued or running.
  int pending() const;

 private:
  void run();

  std::function<void()> wake_;
  mutable std::mutex mutex_;
  std::condition_variable ready_;
  std::deque<Job> jobs_;
  std::vector<Reply> replies_;
  int running_ = 0;
  bool stopping_ = false;
  CameraSession session_;  // the camera thread's alone
  std::thread thread_;
};

}  // namespace nvk::indi
