#pragma once
// The register's command channel over the file transfer: COMMAND.TXT out,
// RESPONSE.TXT back, the INFO status fields and the status gates.

#include <cstdint>

// Size of the process-wide INFO answer buffer.
#define ECR_INFO_SIZE 513

// Status gate before a connect: resolves `hostname`, runs INFO into the
// process-wide buffer and decides. 0 when the register can take commands.
// `ip` receives the resolved address; `info` (optional) the INFO text;
// `hst_conn` HST_CONN (-1 when INFO failed); `sco_fis` (optional) 1 for 'V'.
int ecr_check_status(const char* hostname, uint32_t* ip, const char** info, int* hst_conn,
                     int* sco_fis);

// INFO into the process-wide buffer; any output pointer may be null.
int ecr_info_shared(uint32_t ip, int* ecr, int* stati, int* hst_conn, int* cmd, int* setup);

// The process-wide INFO buffer (the last INFO answer).
const char* ecr_info_text();

// The longest time ecr_wait_cmd_done polls for a command to end: a register
// that never clears CMD must not hold the caller for ever. Resets of the
// register's archives take a few minutes at most.
#define ECR_CMD_WAIT_LIMIT_MS (10UL * 60UL * 1000UL)

// Writes `command` into COMMAND.TXT in the program folder and puts it to
// the register; the put's result, or ERR_FILE_CREATION.
int ecr_send_cmd_txt(uint32_t ip, const char* command);

// Gets RESPONSE.TXT and reads its first line (with "," appended) into `rsp`,
// never more than `rsplen` bytes with the NUL; then the status fields whose
// pointers are given (ECR letter, STATI, HST_CONN, CMD, SETUP).
int ecr_recv_resp_txt(uint32_t ip, char* rsp, int rsplen, int* ecr, int* stati, int* hst_conn,
                      int* cmd, int* setup);

// INFO: empties `rsp`, sets the given outputs to -1, sends "INFO" and reads
// the answer.
int ecr_info(uint32_t ip, char* rsp, int rsplen, int* ecr, int* stati, int* hst_conn, int* cmd,
             int* setup);

// Polls INFO every `milliseconds` (sleeping first) until CMD is 0: 0, the
// INFO failure, or ERR_TIMEOUT after `limit_ms`.
int ecr_wait_cmd_done(uint32_t ip, int milliseconds,
                      unsigned long limit_ms = ECR_CMD_WAIT_LIMIT_MS);

// The gate before data transfers: 0 when the register is idle ('I' with no
// host) or already in set-up mode (`*already_in_setup` = 1), else
// ERR_REG_NON_DISP or the status query's failure.
int ecr_check_idle(const char* hostname, int* already_in_setup);

// Enters (on) or leaves set-up mode.
int ecr_setup_mode(const char* hostname, bool on);

// Puts a register file in set-up mode, entering and leaving it when needed.
int ecr_put_in_setup(const char* hostname, const char* path);

// Gets a register file in set-up mode. With `*leave` not 0, set-up mode is
// left again when it was entered here; with `*leave` 0 it receives whether
// the register was already in set-up, and the caller leaves it later.
int ecr_get_in_setup(const char* hostname, const char* path, int* leave);

// True when the base name of `filename` is one of ecr_files_list (any case).
bool ecr_file_allowed(const char* filename);
