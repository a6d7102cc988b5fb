#pragma once

namespace ie {

// Rounds to a whole number, a tie going to the even neighbour, whatever the floating-point
// environment's rounding mode is. Infinities and NaN come back unchanged.
double RoundHalfEven(double x);

}  // namespace ie
