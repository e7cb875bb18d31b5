// The counter that the device image sees through the CE loader, and that
// the host engine sees for the line it is compared with: the same ticks in
// the same order. The steps vary from read to read and the rate is not a
// power of two, so that every column of the timing table differs and the
// seconds are inexact.
#pragma once

namespace scripted_counter {

const long long kTicksPerSecond = 3579545;

struct Counter {
    unsigned long long reads = 0;
    long long ticks = 1000000;

    // The reading after this one: 400 to 5,399 ticks on.
    long long next()
    {
        ticks += 400 + static_cast<long long>((reads * 7919ULL + 13) % 5000ULL);
        ++reads;
        return ticks;
    }
};

}  // namespace scripted_counter
