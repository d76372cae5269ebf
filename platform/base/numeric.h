// Number helpers of the C runtime and the kernel: reading a decimal from wide
// text and scaling by a fraction without overflow.
#pragma once

#include "platform/base/types.h"

// The decimal number at the start of `text`: leading blanks, an optional sign,
// then digits; anything after them is ignored. 0 when there are no digits (or
// `text` is null). A value beyond the int range saturates at INT_MAX or INT_MIN.
int _wtoi(const char16_t* text);

// number * numerator / denominator, rounded half away from zero, computed in 64
// bits; -1 when the denominator is 0 or the result does not fit an int.
int MulDiv(int number, int numerator, int denominator);
