// Texts that are no slot path. Each would name some bridge if a service read it leniently
// (a bus reduced modulo 256, a trailing comma or extra digit ignored), so both PCI services
// must refuse every one as an invalid argument.
#pragma once

namespace qxtest {

inline constexpr const char* kNotSlotPaths[] = {
    "256:E0",       // decimal bus above 0xFF (256 % 256 would be bus 0)
    "0000:E0",      // more digits than a decimal bus holds
    "MR000:E0",     // more digits than a hexadecimal bus holds
    "MR:E0",        // no bus digits
    ":E0",          // no bus digits, decimal form
    "MR00:E0,",     // trailing comma
    "MR00:08,,E0",  // empty hop
    "MR00:,E0",     // leading comma
    "MR00:0E0",     // more digits than a hop holds
    "MR00:E0,008",  // more digits than a later hop holds
    "MR00:E0x",     // character that is no hexadecimal digit
    "MR0G:E0",      // bus digit that is no hexadecimal digit
    "MR00:E0,1g",   // lower-case letter past f in a later hop
    "1A:E0",        // hexadecimal digit in a decimal bus
    "MR00:E0:00",   // second colon
    " MR00:E0",     // leading blank
    "mr00:E0",      // the prefix is upper case
};

}  // namespace qxtest
