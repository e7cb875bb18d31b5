// What the port says of its counter's steps, in seconds, beyond one tick
// of the frequency it reports: each host port states it in
// counter_resolution.cpp beside its counter; 0 when it says nothing more.
#pragma once

double counter_stated_resolution_seconds();
