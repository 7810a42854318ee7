#pragma once
// Result texts, the trace file "ecrlog.txt" and the program folder that holds
// the library's working files.

#include <cstddef>
#include <cstdint>
#include <vector>

#define ECR_MAX_PATH 260

extern const char* const ecr_err_names[];
extern const int ecr_err_count;

// Name of a result code, or its decimal text outside -21..-1. `buffer` holds
// at least ECR_ERR_TEXT_SIZE bytes.
char* ecr_err_text(int code, char* buffer);

// "hh:mm:ss:mmm" of the local time, in one buffer overwritten by every call.
const char* ecr_timestamp();

// Folder of the calling program's executable, "." when it has none.
void ecr_init_dirname();
const char* ecr_dirname();

// "<program folder>\<name>" into `buffer` (ECR_MAX_PATH bytes); false when
// it would not fit.
bool ecr_path(char* buffer, const char* name);

// True when the environment variable exists, whatever its value; looked up
// at every call so that a host may switch tracing on and off.
bool ecr_env_present(const char* name);
// The variable's value, or "" when missing or longer than `size` - 1.
const char* ecr_env_value(const char* name, char* buffer, std::size_t size);

// Trace lines, appended to ecrlog.txt only while ECR_TRACE is set.
void ecr_log(const char* format, ...) __attribute__((format(printf, 1, 2)));
// The same without the ECR_TRACE test (the CSV trace).
void ecr_log_always(const char* format, ...) __attribute__((format(printf, 1, 2)));
// Deletes the trace file (at library load).
void ecr_log_reset();

// Size of a file in bytes, -1 when it does not exist.
long ecr_file_size(const char* path);

// The whole file into `data`; false when it cannot be read.
bool ecr_read_file(const char* path, std::vector<uint8_t>& data);
// `size` bytes as the whole file; false, and no file left, when that fails.
bool ecr_write_file(const char* path, const void* data, std::size_t size);

// A pointer as the trace writes it ("0x%08X" or "%08X").
unsigned ecr_ptr(const void* p);
