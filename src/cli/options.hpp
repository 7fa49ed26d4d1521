#pragma once
// The command-line renderer: options in, one picture out.

#include <iosfwd>
#include <string>
#include <vector>

namespace velmora {

// Runs the renderer with the given arguments (without the program name).
// Returns the exit status: 0 for a completed picture, written where asked;
// 1 when the run met a fault or did not complete, or an output could not be
// written; 2 for a bad option or value; 128 and the signal's number when
// Ctrl-C, SIGTERM or SIGHUP stopped it (nothing is then written). Every
// failure is named on `err`. An output on standard output moves the words
// meant for `out` to `err`.
int RunRenderer(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace velmora
