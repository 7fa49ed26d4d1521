#include "fault.hpp"

namespace velmora {

std::string FileErrorMessage(int code) {
    switch (code) {
    case 2: return "File not found";
    case 3: return "Invalid filename";
    case 4: return "Too many open files";
    case 5: return "File access denied";
    case 100: return "Read beyond end of file";
    case 101: return "Disk full";
    case 106: return "Invalid numeric input";
    default: return "I/O error " + std::to_string(code);
    }
}

std::string FaultMessage(FaultKind kind, const std::string& detail) {
    switch (kind) {
    case FaultKind::None: return {};
    case FaultKind::FloatOverflow: return "Floating point overflow";
    case FaultKind::FloatInvalid: return "Invalid floating point operation";
    case FaultKind::FloatZeroDivide: return "Floating point division by zero";
    case FaultKind::IntZeroDivide: return "Division by zero";
    case FaultKind::IntOverflow: return "Integer overflow";
    case FaultKind::RangeCheck: return "Range check error";
    case FaultKind::OutOfMemory: return "Out of memory";
    case FaultKind::ConvertInteger: return "'" + detail + "' is not a valid integer value";
    case FaultKind::ConvertFloat: return "'" + detail + "' is not a valid floating point value";
    case FaultKind::InputOutput: {
        try {
            return FileErrorMessage(std::stoi(detail));
        } catch (const std::exception&) {
            return "I/O error " + detail;
        }
    }
    }
    return {};
}

FaultKind PendingFloatFault() noexcept {
    const int flags = std::fetestexcept(kFaultFlags);
    if (flags & FE_INVALID) return FaultKind::FloatInvalid;
    if (flags & FE_DIVBYZERO) return FaultKind::FloatZeroDivide;
    if (flags & FE_OVERFLOW) return FaultKind::FloatOverflow;
    return FaultKind::None;
}

void StepCheck::Raise() {
    const FaultKind kind = PendingFloatFault();
    ClearFloatFaults();
    throw FaultError(kind);
}

}  // namespace velmora
