#pragma once
// How the library paces itself to the register: how often it asks a busy
// register whether it is done, and how long it waits for an answer byte.
// Callers cannot change it; test programs and benchmarks against the
// simulated register, which answers at once, shorten it. This is the
// library's one test seam.

struct EcrPace {
    // INFO polls while the register digests a price list or prepares its
    // current sales: it takes seconds.
    int busy_poll_ms = 5000;
    // A register silent this long after a piece of the command stream
    // counts as a lost connection.
    int answer_limit_ms = 60000;
    // A register holds a serial line with XOFF while it prints or waits for
    // a new paper roll, which the shop staff change within a minute or two.
    // An output queue that has not moved for five minutes belongs to a
    // register that is off or unplugged: the disconnect stops waiting for it.
    int queue_stall_ms = 5 * 60 * 1000;
};

extern EcrPace ecr_pace;
