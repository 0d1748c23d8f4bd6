// Circular arcs measured from the radius that their chord and sweep give, not from the bulge as
// the code under test does: the references of the length and area tests.
#pragma once

#include <cmath>

namespace vermiq::test {

// The sweep of a bulge's arc in radians: negative for an arc that turns clockwise.
inline long double SweepOfBulge(long double bulge) { return 4 * std::atan(bulge); }

// The length of the arc over `chord`; the same for either sign of the sweep.
inline long double ArcLength(long double chord, long double sweep) {
    if (sweep == 0) return chord;
    return chord * sweep / (2 * std::sin(sweep / 2));
}

// The area between the arc and its chord, signed as the sweep is.
inline long double CircularSegment(long double chord, long double sweep) {
    const long double r = chord / (2 * std::sin(sweep / 2));
    return r * r / 2 * (sweep - std::sin(sweep));
}

} // namespace vermiq::test
