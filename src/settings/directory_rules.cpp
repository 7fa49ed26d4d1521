#include "directory_rules.hpp"

namespace velmora {

std::string DirectoryPart(const std::string& path) {
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos) return {};
    return slash == 0 ? std::string("/") : path.substr(0, slash);
}

std::string DrivePart(const std::string& path, const std::vector<std::string>& volumes) {
    if (path.empty() || path.front() != '/') return {};
    std::string best;
    for (const std::string& volume : volumes) {
        if (volume.empty() || volume.front() != '/') continue;
        const bool holds = volume == "/" || path == volume ||
                           (path.compare(0, volume.size(), volume) == 0 && path[volume.size()] == '/');
        if (holds && volume.size() > best.size()) best = volume;
    }
    return best;
}

}  // namespace velmora
