// The subnormal mode held over several solutions: taken once, kept, given back as it was.
#include "foundations/subnormal_flush.h"

#include <gtest/gtest.h>
#include <string>
#include <xmmintrin.h>

namespace {

constexpr unsigned kModeBits = 0x8040u; // flush to zero, denormals are zero

struct HeldCase {
    const char* name;
    unsigned callerBits; // the mode the caller had set
    std::string calls;   // H hold, R release
    bool heldAfter;      // whether the mode is in force after the calls
};

TEST(SubnormalsAsZeroHeld, TakesTheModeOnceAndGivesBackTheCallers) {
    const unsigned before = _mm_getcsr();
    const HeldCase cases[] = {
        {"HoldOnce", 0, "H", true},           {"HoldAgainKeeps", 0, "HH", true},
        {"ReleaseRestores", 0, "HHR", false}, {"ReleaseUnheldChangesNothing", 0, "R", false},
        {"HoldAfterRelease", 0, "HRH", true}, {"CallerModeKept", kModeBits, "HR", true},
    };
    for (const HeldCase& c : cases) {
        _mm_setcsr((before & ~kModeBits) | c.callerBits);
        {
            SubnormalsAsZeroHeld mode;
            for (const char call : c.calls)
                call == 'H' ? mode.Hold() : mode.Release();
            EXPECT_EQ((_mm_getcsr() & kModeBits) != 0, c.heldAfter) << c.name;
        }
        // the object's end gives back what the caller had
        EXPECT_EQ(_mm_getcsr() & kModeBits, c.callerBits) << c.name;
    }
    _mm_setcsr(before);
}

} // namespace
