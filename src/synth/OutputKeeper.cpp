#include "synth/OutputKeeper.h"

namespace morrowfane {

OutputKeeper::OutputKeeper(Config config, AudioSource& source, OutputLostHandler wake)
    : config_(std::move(config)), source_(source), wake_(std::move(wake)) {}

OutputKeeper::Status OutputKeeper::Start() {
  Open();
  return status_;
}

OutputKeeper::Status OutputKeeper::Keep(bool wanted, bool quiet, std::uint64_t renderedFrames) {
  if (output_ && output_->Lost()) {
    Drop();
  }
  switch (status_) {
    case Status::Playing:
      if (wanted || !quiet) {
        quietSince_.reset();
      } else if (!quietSince_) {
        quietSince_ = renderedFrames;
      } else if (renderedFrames - *quietSince_ >= config_.idleFrames) {
        output_->Suspend();
        status_ = Status::Idle;
      }
      break;
    case Status::Idle:
      if (wanted) {
        if (output_->Resume()) {
          status_ = Status::Playing;
          quietSince_.reset();
        } else {
          Drop();
        }
      }
      break;
    case Status::Lost:
      if (std::chrono::steady_clock::now() - lastAttempt_ >= config_.retryPeriod) {
        Open();
      }
      break;
  }
  return status_;
}

std::string OutputKeeper::Backend() const {
  return output_ ? output_->Backend() : std::string();
}

void OutputKeeper::Open() {
  lastAttempt_ = std::chrono::steady_clock::now();
  output_ = OpenAudioOutput(config_.backends, config_.sampleRate, source_, wake_);
  status_ = output_ ? Status::Playing : Status::Lost;
  quietSince_.reset();
}

void OutputKeeper::Drop() {
  output_.reset();
  status_ = Status::Lost;
  lastAttempt_ = std::chrono::steady_clock::now();
}

}  // namespace morrowfane
