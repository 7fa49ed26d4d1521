#pragma once
// Runs the renderer as the command line would, keeping what it printed.

#include <sstream>
#include <string>
#include <vector>

#include "options.hpp"

namespace velmora {

struct Result {
    int status;
    std::string out, err;
};

inline Result Render(const std::vector<std::string>& args) {
    std::ostringstream out, err;
    const int status = RunRenderer(args, out, err);
    return {status, out.str(), err.str()};
}

}  // namespace velmora
