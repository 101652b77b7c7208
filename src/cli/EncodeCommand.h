#pragma once

namespace varnetta {

// varnetta-cli encode [options] BIN... -o OUT.wav: writes a tape recording of
// the given .bin files (short or long layout) that Varnetta decodes back to
// the same files. argv[0] is "encode". Returns the exit status.
int RunEncodeCommand(int argc, char** argv);

}  // namespace varnetta
