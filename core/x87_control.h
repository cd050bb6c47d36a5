// The x87 control word, which governs long double arithmetic on x86. Its precision-control
// field (bits 8 and 9) sets how many significand bits each result keeps: with 53 bits, long
// double arithmetic rounds like double. Linux and the C runtime's start-up on Windows give the
// main thread 64 bits, but Windows starts every other thread with 53, and loaded libraries may
// change the field; code that needs the 64-bit significand sets it itself.
#pragma once

#include <cstdint>

#if !defined(__i386__) && !defined(__x86_64__)
#error "long double is expected to be the x87 80-bit format"
#endif

constexpr std::uint16_t kX87PrecisionMask = 0x0300;
constexpr std::uint16_t kX87Precision64 = 0x0300;  // 64-bit significand
constexpr std::uint16_t kX87Precision53 = 0x0200;  // what Windows gives a new thread

inline std::uint16_t x87ControlWord()
{
    std::uint16_t word;
    __asm__ __volatile__("fnstcw %0" : "=m"(word));
    return word;
}

// The memory clobber keeps loads and stores on their side of the change.
inline void setX87ControlWord(std::uint16_t word)
{
    __asm__ __volatile__("fldcw %0" : : "m"(word) : "memory");
}

// word with its precision-control field set to precision; the other fields stay.
constexpr std::uint16_t withX87Precision(std::uint16_t word, std::uint16_t precision)
{
    return static_cast<std::uint16_t>((word & ~kX87PrecisionMask) | precision);
}
