#include "cli/TerminalReporter.h"

#include "common/Utf8.h"

namespace varnetta {

TerminalReporter::TerminalReporter(std::FILE* log, std::FILE* progress, bool showProgress)
    : log_(log), progress_(progress), showProgress_(showProgress) {}

// The work log names every file it decodes and every size that matters, so
// these need no line of their own here.
void TerminalReporter::ShowPath(std::string_view) {}
void TerminalReporter::ShowAnalysisSizes(std::int32_t, std::int32_t) {}
// The progress line is drawn from the counters by ShowProgress.
void TerminalReporter::SetProgressRange(std::int32_t, std::int32_t) {}
void TerminalReporter::SetProgressPosition(std::int32_t) {}

void TerminalReporter::AppendToLogPane(std::string_view text) {
  std::lock_guard lock(mutex_);
  if (logFailed_) return;
  ClearProgressLocked();
  std::string plain;
  plain.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
    plain += text[i];
  }
  const bool written = std::fwrite(plain.data(), 1, plain.size(), log_) == plain.size();
  logFailed_ = std::fflush(log_) != 0 || !written;
}

void TerminalReporter::ReportSkippedLog(std::string_view log, std::string_view reason) {
  std::lock_guard lock(mutex_);
  ClearProgressLocked();
  const std::string name = ReplaceControlCharacters(log);
  std::fprintf(progress_, "varnetta-cli: skipped the log file %s: %.*s\n", name.c_str(),
               static_cast<int>(reason.size()), reason.data());
  std::fflush(progress_);
}

void TerminalReporter::ShowProgress(std::string_view stage, std::int32_t low, std::int32_t high,
                                    std::int32_t position) {
  if (!showProgress_) return;
  std::lock_guard lock(mutex_);
  const std::int64_t span = std::int64_t{high} - low;
  const std::int64_t percent = span > 0 ? (std::int64_t{position} - low) * 100 / span : 0;
  std::fprintf(progress_, "\r\033[K%.*s %lld%%", static_cast<int>(stage.size()), stage.data(),
               static_cast<long long>(percent));
  std::fflush(progress_);
  progressShown_ = true;
}

void TerminalReporter::ClearProgress() {
  std::lock_guard lock(mutex_);
  ClearProgressLocked();
}

void TerminalReporter::ClearProgressLocked() {
  if (!progressShown_) return;
  std::fputs("\r\033[K", progress_);
  std::fflush(progress_);
  progressShown_ = false;
}

}  // namespace varnetta
