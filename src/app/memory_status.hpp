#pragma once
// The memory report of the main window: the system's memory figures and the
// eight lines drawn from them. Every figure is a full 64-bit number, so
// machines with more than 2 GiB show their real sizes.

#include <cstdint>
#include <string>
#include <vector>

namespace velmora {

struct MemoryFigures {
    uint64_t length = 32;  // the size of the status record the report stands for
    uint64_t load = 0;     // physical memory in use, percent
    uint64_t totalPhysical = 0;
    uint64_t availablePhysical = 0;
    uint64_t totalPageFile = 0;  // physical memory plus swap
    uint64_t availablePageFile = 0;
    uint64_t totalVirtual = 0;  // the process's address space
    uint64_t availableVirtual = 0;
};

// The figures from the text of /proc/meminfo, the process's virtual size and
// the size of its address space, all in bytes. Missing or malformed lines
// count as zero.
MemoryFigures MemoryFiguresFrom(const std::string& meminfo, uint64_t processVirtualBytes,
                                uint64_t addressSpaceBytes);

// The figures of this machine and process now.
MemoryFigures QueryMemoryStatus();

// Eight lines: a label, then the number right-aligned in ten characters
// (wider when it needs more digits; a number is never cut).
std::vector<std::string> MemoryReportLines(const MemoryFigures& figures);

}  // namespace velmora
