#include "platform/base/numeric.h"

#include <climits>
#include <cstdint>
#include <cstdlib>

int _wtoi(const char16_t* text) {
    if (!text) return 0;
    const char16_t* p = text;
    while (*p == u' ' || *p == u'\t' || *p == u'\n' || *p == u'\r' || *p == u'\v' || *p == u'\f') ++p;
    bool negative = false;
    if (*p == u'+' || *p == u'-') {
        negative = *p == u'-';
        ++p;
    }
    std::int64_t value = 0;
    const std::int64_t limit = negative ? -std::int64_t(INT_MIN) : std::int64_t(INT_MAX);
    for (; *p >= u'0' && *p <= u'9'; ++p) {
        value = value * 10 + (*p - u'0');
        if (value > limit) {
            value = limit;
            // Skip the remaining digits: the value stays saturated.
        }
    }
    return int(negative ? -value : value);
}

int MulDiv(int number, int numerator, int denominator) {
    if (denominator == 0) return -1;
    const std::int64_t product = std::int64_t(number) * numerator;
    std::int64_t quotient = product / denominator;
    const std::int64_t remainder = product % denominator;
    // Half away from zero: compare twice the remainder with the divisor.
    if (std::llabs(remainder) * 2 >= std::llabs(std::int64_t(denominator)))
        quotient += ((product < 0) != (denominator < 0)) ? -1 : 1;
    if (quotient > INT_MAX || quotient < INT_MIN) return -1;
    return int(quotient);
}
