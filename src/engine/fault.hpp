#pragma once
// Faults of the engine: arithmetic faults found through the floating-point
// status flags, explicit integer and range faults, conversion errors and
// memory exhaustion. A fault is a value; FaultError carries it across the
// driver's protected regions (never thrown on the path of a normal pixel).

#include <cfenv>
#include <cmath>
#include <stdexcept>
#include <string>
#include <thread>

namespace velmora {

enum class FaultKind {
    None,
    FloatOverflow,    // "Floating point overflow"
    FloatInvalid,     // "Invalid floating point operation"
    FloatZeroDivide,  // "Floating point division by zero"
    IntZeroDivide,    // "Division by zero"
    IntOverflow,      // "Integer overflow"
    RangeCheck,       // "Range check error"
    OutOfMemory,      // "Out of memory"
    ConvertInteger,   // "'%s' is not a valid integer value"
    ConvertFloat,     // "'%s' is not a valid floating point value"
    InputOutput,      // file errors by code
};

// The runtime error text of a fault. `detail` is the offending text of a
// conversion error, or the decimal file error code for InputOutput.
std::string FaultMessage(FaultKind kind, const std::string& detail = {});

// Text of a file error code ("File not found", ... "I/O error %d").
std::string FileErrorMessage(int code);

class FaultError : public std::runtime_error {
public:
    explicit FaultError(FaultKind kind, const std::string& detail = {})
        : std::runtime_error(FaultMessage(kind, detail)), kind_(kind) {}
    FaultKind kind() const noexcept { return kind_; }

private:
    FaultKind kind_;
};

// The floating-point exceptions that count as faults; underflow and
// precision loss stay silent.
inline constexpr int kFaultFlags = FE_OVERFLOW | FE_DIVBYZERO | FE_INVALID;

// Clears the sticky exception flags of both the x87 unit (all orbit
// arithmetic) and SSE. This runs several times per pixel, so it avoids
// feclearexcept, which reloads the whole x87 environment.
inline void ClearFloatFaults() noexcept {
#if defined(__x86_64__) || defined(__i386__)
    __asm__ __volatile__("fnclex");
    unsigned int mxcsr;
    __asm__ __volatile__("stmxcsr %0" : "=m"(mxcsr));
    if (mxcsr & 0x3Fu) {
        mxcsr &= ~0x3Fu;
        __asm__ __volatile__("ldmxcsr %0" : : "m"(mxcsr));
    }
#else
    std::feclearexcept(kFaultFlags);
#endif
}

// A thread that computes as the calling thread would: its rounding and
// exception settings, and sticky flags that start clear.
template <class Work>
std::thread ThreadWithCallersFloatState(Work work) {
    std::fenv_t environment;
    std::fegetenv(&environment);
    return std::thread([environment, work = std::move(work)]() mutable {
        std::fesetenv(&environment);
        ClearFloatFaults();
        work();
    });
}

// x rounded to a whole number in the current rounding mode, as nearbyintl
// rounds it, without the library's call, which saves and restores the whole
// x87 environment around the rounding. The only flag that call keeps is
// invalid; the rounding here may also raise precision, which is no fault.
inline long double NearbyInt(long double x) {
#if defined(__x86_64__) || defined(__i386__)
    long double r;
    __asm__("frndint" : "=t"(r) : "0"(x));
    return r;
#else
    return nearbyintl(x);
#endif
}

// x times 2^scale, as scalblnl makes it: one rounding of the exact product
// in the current mode, overflow and underflow raised as that rounding raises
// them; without the library's call and its wrapper, which sets errno.
// The power a whole number held as a long double (within 2^62 in size, as
// fscale takes it): a conversion to an integer and back would cost more than
// the scaling, as truncating one changes the rounding mode twice.
inline long double ScaleByPowerOfTwo(long double x, long double wholeScale) {
#if defined(__x86_64__) || defined(__i386__)
    long double r;
    __asm__("fscale" : "=t"(r) : "0"(x), "u"(wholeScale));
    return r;
#else
    return scalblnl(x, static_cast<long>(wholeScale));
#endif
}
inline long double ScaleByPowerOfTwo(long double x, long scale) {
    return ScaleByPowerOfTwo(x, static_cast<long double>(scale));
}

// Reads both status words directly: the lane kernels ask after every batch,
// where a library call costs more than the read.
inline bool FloatFaultPending() noexcept {
#if defined(__x86_64__) || defined(__i386__)
    static_assert((kFaultFlags & ~0x3F) == 0, "the x87 and SSE flag bits are those of <fenv.h>");
    unsigned short status;
    unsigned int mxcsr;
    __asm__ __volatile__("fnstsw %0" : "=am"(status));
    __asm__ __volatile__("stmxcsr %0" : "=m"(mxcsr));
    return ((status | mxcsr) & kFaultFlags) != 0;
#else
    return std::fetestexcept(kFaultFlags) != 0;
#endif
}

// The pending floating-point fault, most serious first (invalid operation
// before division by zero before overflow), or None.
FaultKind PendingFloatFault() noexcept;

// Guards for the arithmetic kernels. The same kernel is instantiated twice:
// with NoCheck on the fast path (the flags are tested once per pixel) and with
// StepCheck when a faulted pixel is recomputed to find where it faulted.
//
// `Overflow` raises an overflow that no operation of the fast path flags on
// its own: a conversion that is not defined beyond its range, or a value the
// optimiser drops because nothing uses it but whose fault still counts.
struct NoCheck {
    static constexpr bool kChecked = false;
    static void Check() noexcept {}
    static void Check(const long double&) noexcept {}
    static void Overflow() noexcept { std::feraiseexcept(FE_OVERFLOW); }
};

struct StepCheck {
    static constexpr bool kChecked = true;
    // Throws the pending floating-point fault, if any.
    static void Check() {
        if (FloatFaultPending()) [[unlikely]]
            Raise();
    }
    // Tests the flags after `value` has been computed: the barrier keeps the
    // compiler from moving the arithmetic past the flag test.
    static void Check(const long double& value) {
        asm volatile("" : : "m"(value));
        Check();
    }
    [[noreturn]] static void Overflow() { throw FaultError(FaultKind::FloatOverflow); }

private:
    [[noreturn]] static void Raise();
};

// Integer arithmetic with explicit overflow faults.
inline int CheckedAdd(int a, int b) {
    int r;
    if (__builtin_add_overflow(a, b, &r)) throw FaultError(FaultKind::IntOverflow);
    return r;
}
inline int CheckedSub(int a, int b) {
    int r;
    if (__builtin_sub_overflow(a, b, &r)) throw FaultError(FaultKind::IntOverflow);
    return r;
}
inline int CheckedMul(int a, int b) {
    int r;
    if (__builtin_mul_overflow(a, b, &r)) throw FaultError(FaultKind::IntOverflow);
    return r;
}

}  // namespace velmora
