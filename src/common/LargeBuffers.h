#pragma once

#include <cstddef>

#include "common/Signal.h"
#include "common/StopRequest.h"

namespace varnetta {

// Channels of a long recording run to hundreds of megabytes, and on some
// systems the first touch of every 4 KB page costs more than the decoding of
// its samples. These ask the system to back such storage with huge pages;
// they change nothing else, and are no-ops where the system has no such hint.

// Advises the pages of bytes at data, which nothing has touched yet.
void AdviseHugePages(void* data, std::size_t bytes);

// Gives signal room for at least samples samples, keeping its content; new
// storage is advised before anything is written to it.
void ReserveSignal(Signal& signal, std::size_t samples);

// Makes signal hold `samples` zeros, as assign would, but a block at a time,
// testing the stop request between blocks: touching a long channel's new
// pages takes long. False, with the signal part-filled, when stopped.
bool ZeroSignal(Signal& signal, std::size_t samples, const StopRequest& stop);

}  // namespace varnetta
