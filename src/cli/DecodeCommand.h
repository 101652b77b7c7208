#pragma once

namespace varnetta {

// varnetta-cli [options] RECORDING...: decodes each recording in turn on the
// same worker the desktop program uses. Returns the exit status: 0 when every
// recording loaded and gave at least one file, 1 otherwise or when
// --save-settings could not save, 2 for a usage error, 130 when interrupted.
int RunDecodeCommand(int argc, char** argv);

}  // namespace varnetta
