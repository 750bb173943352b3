#pragma once

// With TZ unset the C library looks at /etc/localtime again for every local time it converts,
// one file check per timestamp read; naming the zone file once spares that. Every program of
// the system calls it first thing, before Qt starts.
void settleLocalTimeZone();
