#include "memory_status.hpp"

#include <fstream>
#include <limits>
#include <sstream>
#include <sys/resource.h>

#include "conversions.hpp"

namespace velmora {
namespace {

// The value of one "Name:   1234 kB" line of a /proc status file, in bytes.
uint64_t KilobyteField(const std::string& text, const std::string& name) {
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        if (line.compare(0, name.size() + 1, name + ":") != 0) continue;
        std::istringstream fields(line.substr(name.size() + 1));
        uint64_t kilobytes = 0;
        if (!(fields >> kilobytes)) return 0;
        if (kilobytes > std::numeric_limits<uint64_t>::max() / 1024) return std::numeric_limits<uint64_t>::max();
        return kilobytes * 1024;
    }
    return 0;
}

bool HasField(const std::string& text, const std::string& name) {
    return text.find("\n" + name + ":") != std::string::npos || text.compare(0, name.size() + 1, name + ":") == 0;
}

uint64_t SaturatingAdd(uint64_t a, uint64_t b) {
    return a > std::numeric_limits<uint64_t>::max() - b ? std::numeric_limits<uint64_t>::max() : a + b;
}

std::string ReadFile(const char* path) {
    std::ifstream in(path);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// The user part of the address space of an x86-64 process (47 bits less the
// guard page), unless a resource limit makes it smaller.
uint64_t AddressSpaceBytes() {
    uint64_t bytes = sizeof(void*) == 8 ? (uint64_t{1} << 47) - 4096 : uint64_t{3} << 30;
    rlimit limit{};
    if (getrlimit(RLIMIT_AS, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY &&
        static_cast<uint64_t>(limit.rlim_cur) < bytes)
        bytes = static_cast<uint64_t>(limit.rlim_cur);
    return bytes;
}

}  // namespace

MemoryFigures MemoryFiguresFrom(const std::string& meminfo, uint64_t processVirtualBytes,
                                uint64_t addressSpaceBytes) {
    MemoryFigures f;
    f.totalPhysical = KilobyteField(meminfo, "MemTotal");
    // Older kernels have no estimate of the available memory; free memory is
    // the nearest they offer.
    f.availablePhysical = HasField(meminfo, "MemAvailable") ? KilobyteField(meminfo, "MemAvailable")
                                                            : KilobyteField(meminfo, "MemFree");
    if (f.availablePhysical > f.totalPhysical) f.availablePhysical = f.totalPhysical;
    if (f.totalPhysical > 0) {
        const long double used = static_cast<long double>(f.totalPhysical - f.availablePhysical);
        f.load = static_cast<uint64_t>(used * 100.0L / static_cast<long double>(f.totalPhysical));
    }
    f.totalPageFile = SaturatingAdd(f.totalPhysical, KilobyteField(meminfo, "SwapTotal"));
    f.availablePageFile = SaturatingAdd(f.availablePhysical, KilobyteField(meminfo, "SwapFree"));
    f.totalVirtual = addressSpaceBytes;
    f.availableVirtual = processVirtualBytes < addressSpaceBytes ? addressSpaceBytes - processVirtualBytes : 0;
    return f;
}

MemoryFigures QueryMemoryStatus() {
    const uint64_t processVirtual = KilobyteField(ReadFile("/proc/self/status"), "VmSize");
    return MemoryFiguresFrom(ReadFile("/proc/meminfo"), processVirtual, AddressSpaceBytes());
}

std::vector<std::string> MemoryReportLines(const MemoryFigures& f) {
    const std::pair<const char*, uint64_t> rows[] = {
        {"length ", f.length},
        {"load ", f.load},
        {"Total Physical ", f.totalPhysical},
        {"Available Physical ", f.availablePhysical},
        {"Total Page File ", f.totalPageFile},
        {"Available Page File ", f.availablePageFile},
        {"Total Virtual ", f.totalVirtual},
        {"Available Virtual ", f.availableVirtual},
    };
    std::vector<std::string> lines;
    for (const auto& [label, value] : rows)
        // Extended precision holds every 64-bit integer exactly.
        lines.push_back(label + FormatFixed(static_cast<long double>(value), 10, 0));
    return lines;
}

}  // namespace velmora
