#pragma once
// Data transfers with the register in set-up mode: the session around them
// and the sales file conversion behind the exports.

#include <cstdint>

// Interval of the INFO polls while the register digests an uploaded price
// list or prepares its current sales (the register takes seconds).
extern int ecr_register_poll_ms;

// Set-up mode around a data transfer: entered through the idle gate unless
// the register is in it already, and left again by whoever entered it, also
// after a failure, so the register never stays closed to receipts.
class SetupSession {
public:
    explicit SetupSession(const char* hostname) : hostname_(hostname) {}
    ~SetupSession();
    SetupSession(const SetupSession&) = delete;
    SetupSession& operator=(const SetupSession&) = delete;

    // Resolves the host into `*ip`, passes the gate, enters set-up mode.
    int begin(uint32_t* ip);
    // Leaves set-up mode when it was entered here. A failure to leave
    // becomes the result only when `result` was a success.
    int end(int result);

private:
    const char* hostname_;
    bool entered_ = false;
};

// Converts one sales file into "VEND_REP_<ddmmyy>.CSV" and
// "VEND_PLU_<ddmmyy>.CSV" in `dirname` and deletes it; 0 or -1.
int ecr_conv_venduto(const char* pathname, const char* dirname);

// Deletes every "VEND_???_??????.CSV" file of `dirname`.
void delete_sales_csv(const char* dirname);
