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
};

extern EcrPace ecr_pace;
