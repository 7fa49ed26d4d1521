#pragma once
// How a stored path is taken apart for the directory chooser. Paths use '/';
// this platform has no drive letters, so the "drive" of a path is the
// mounted volume that holds it.

#include <string>
#include <vector>

namespace velmora {

// The text before the last '/', the root kept: "/a/b" -> "/a", "/a" -> "/",
// "/" -> "/"; a text without '/' has none ("").
std::string DirectoryPart(const std::string& path);

// The root of the volume that holds an absolute path: the longest of
// `volumes` that is the path or one of its leading folders. Empty for a
// relative or empty path, or when no volume holds it.
std::string DrivePart(const std::string& path, const std::vector<std::string>& volumes);

}  // namespace velmora
