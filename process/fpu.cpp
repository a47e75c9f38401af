// The x87 control word and the program's one rounding rule.
#include "process.h"

#include <cmath>
#include <limits>

unsigned FpuControlWord() {
    unsigned short word;
    __asm__ __volatile__("fnstcw %0" : "=m"(word));
    return word;
}

void FpuControlWordSet(unsigned word) {
    unsigned short value = static_cast<unsigned short>(word);
    __asm__ __volatile__("fldcw %0" : : "m"(value));
}

long long RoundHalfEven(long double value) {
    if (std::isnan(value)) return 0;
    constexpr long double limit = 9.2e18L;  // keep the conversion defined
    if (value > limit) return static_cast<long long>(limit);
    if (value < -limit) return static_cast<long long>(-limit);
    long double whole = std::floor(value);
    long double fraction = value - whole;
    if (fraction > 0.5L || (fraction == 0.5L && std::fmod(whole, 2.0L) != 0)) whole += 1;
    return static_cast<long long>(whole);
}
