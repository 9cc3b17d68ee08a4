#include "runtime/unsigned_division.h"

extern "C" std::uint64_t __udivmoddi4(std::uint64_t dividend, std::uint64_t divisor,
                                      std::uint64_t* remainder) {
    std::uint64_t rest = 0;
    const std::uint64_t quotient = DivideWithRemainder(dividend, divisor, rest);
    if (remainder != nullptr) {
        *remainder = rest;
    }
    return quotient;
}
