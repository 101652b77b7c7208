#include "app/SkippedRecording.h"

#include <cstdio>
#include <exception>
#include <new>

namespace varnetta {

namespace {

void Report(const char* what, std::string_view path) {
  std::fprintf(stderr, "ERROR: %s\n%.*s\n", what, static_cast<int>(path.size()), path.data());
  std::fflush(stderr);
}

}  // namespace

void ReportSkippedRecording(std::string_view path) {
  try {
    throw;
  } catch (const std::bad_alloc&) {
    Report("not enough memory to process", path);
  } catch (const std::exception& error) {
    Report(error.what(), path);
  } catch (...) {
    Report("unexpected failure while processing", path);
  }
}

}  // namespace varnetta
