#pragma once
// BRISAL.dll: the cash-register link library. Every function is stdcall and
// exported under its plain name; texts are ANSI.

#ifdef __cplusplus
extern "C" {
#endif

#define ECR_API __stdcall

#ifdef BRISAL_BUILD
#define ECR_EXPORT
#else
#define ECR_EXPORT __declspec(dllimport)
#endif

// Writes the name of a result code (or its number) into errptr, which holds
// at least 25 bytes, and returns errptr.
ECR_EXPORT char* ECR_API ecr_get_err(int esito, char* errptr);

// Writes the library's version text (27 bytes with its NUL) into verptr.
ECR_EXPORT char* ECR_API ecr_get_ver(char* verptr);

// ICMP echo to the register: 0 when it answered, else a result code.
ECR_EXPORT int ECR_API ecr_ping(const char* hostname, int numsec);

// Management requests 0..9 over the file channel (INFO, set-up mode,
// resets, file put and get); rspptr (may be NULL) receives the INFO answer.
ECR_EXPORT int ECR_API ecr_command(const char* hostname, char* filename, int request,
                                   char* rspptr, int rsplen);

// The register files that ecr_command may put or get, NULL-terminated.
ECR_EXPORT extern const char* const ecr_files_list[];

// 0 when the register can take receipts; hst_conn receives HST_CONN (-1 when
// the status query failed), sco_fis 1 for state 'V'. Both may be NULL.
ECR_EXPORT int ECR_API ecr_get_status(const char* hostname, int* hst_conn, int* sco_fis);

// The register's state letter ("I", "V", "C" busy, "S" set-up, "E" error)
// and whether a host is connected ("S" / "N"), as two-byte texts.
ECR_EXPORT int ECR_API ecr_get_status_new(const char* hostname, char* stato, char* hst_conn);

// Calendar record of a register second count (years 2000..2099).
#pragma pack(push, 1)
typedef struct ecr_oro_t {
    unsigned char day;      // 1..31
    unsigned char month;    // 1..12
    unsigned char year;     // 0..99 meaning 2000..2099
    unsigned char hour;
    unsigned char minute;
    unsigned char second;
    unsigned char weekday;  // 1 Monday .. 7 Sunday
    unsigned char unused;
    unsigned short yday;    // 1 = 1 January
} ecr_oro_t;
#pragma pack(pop)

// Date/time codec: second counts are unsigned 32-bit values passed as int.
// record: day, month, year (0..99), hour, minute, second.
ECR_EXPORT int ECR_API ecr_oro_2long(const unsigned char* record);
// 0, or -1 (and 99/999 in the fields) outside 01/01/2000..31/12/2099.
ECR_EXPORT int ECR_API ecr_oro_2struct(int seconds, ecr_oro_t* out);
// 0 when valid, else -1.
ECR_EXPORT int ECR_API ecr_oro_check(int day, int month, int year, int hour, int minute,
                                     int second);
ECR_EXPORT int ECR_API ecr_oro_decode(int day, int month, int year, int hour, int minute,
                                      int second);
// "dd/mm/yy-hh:mm:ss-[ddd-w]" into text (28 bytes).
ECR_EXPORT char* ECR_API ecr_oro_encode(int seconds, char* text);
ECR_EXPORT int ECR_API ecr_date_decode(int day, int month, int year);
ECR_EXPORT int ECR_API ecr_dates_decode(int day, int month);
ECR_EXPORT int ECR_API ecr_time_decode(int hour, int minute, int second);
ECR_EXPORT int ECR_API ecr_times_decode(int hour, int minute);

// Register data files as CSV: records written (receive), rows applied (send)
// or a result code.
ECR_EXPORT int ECR_API ecr_recv_reparti_all(const char* hostname, const char* filename);
ECR_EXPORT int ECR_API ecr_recv_reparti_mod(const char* hostname, const char* filename);
ECR_EXPORT int ECR_API ecr_recv_plu_all(const char* hostname, const char* filename);
ECR_EXPORT int ECR_API ecr_recv_plu_mod(const char* hostname, const char* filename);
ECR_EXPORT int ECR_API ecr_recv_clienti_all(const char* hostname, const char* filename);
ECR_EXPORT int ECR_API ecr_recv_clienti_mod(const char* hostname, const char* filename);
ECR_EXPORT int ECR_API ecr_recv_fatture(const char* hostname, const char* filename);
ECR_EXPORT int ECR_API ecr_send_reparti(const char* hostname, const char* filename);
ECR_EXPORT int ECR_API ecr_send_plu(const char* hostname, const char* filename);
ECR_EXPORT int ECR_API ecr_send_clienti(const char* hostname, const char* filename);

// Sales as CSV files in dirname: 1 / 0 (nothing sold) / result code, and the
// number of archived days converted / result code.
ECR_EXPORT int ECR_API ecr_recv_vend_corrente(const char* hostname, const char* dirname);
ECR_EXPORT int ECR_API ecr_recv_vend_storico(const char* hostname, const char* dirname,
                                             int from_day, int from_month, int from_year,
                                             int to_day, int to_month, int to_year);

// XON/XOFF command stream over TCP (port 1723). Connect returns the socket
// handle that the other four take; disconnect always returns 0.
ECR_EXPORT int ECR_API ecr_conn_xonxoff_ntw(const char* hostname);
ECR_EXPORT int ECR_API ecr_disc_xonxoff_ntw(int sockid);
ECR_EXPORT int ECR_API ecr_file_xonxoff_ntw(int sockid, const char* filename);
ECR_EXPORT int ECR_API ecr_recv_xonxoff_ntw(int sockid, char* bufptr, int buflen, int numsec);
ECR_EXPORT int ECR_API ecr_send_xonxoff_ntw(int sockid, const char* string);

// XON/XOFF command stream over a serial line; the COM port number is the
// handle. baud is an index 0..5 (4800, 9600, 19200, 38400, 57600, 115200);
// echo not 0 makes every byte wait for the register's echo.
ECR_EXPORT int ECR_API ecr_conn_xonxoff_ser(int port, int baud, int echo);
// Waits for the output queue to empty, then closes the port: 0 (also for a
// port that is not open); ERR_TIMEOUT when bytes were left, because the
// queue stood still for minutes or the line died under them, and the close
// dropped them; ECR_ERR_PORT_NOT_VALID when the line failed before its
// queue could be read.
ECR_EXPORT int ECR_API ecr_disc_xonxoff_ser(int port);
ECR_EXPORT int ECR_API ecr_send_xonxoff_ser(int port, const char* string);
// numsec counts 3-second periods; 0 or less waits without limit.
ECR_EXPORT int ECR_API ecr_recv_xonxoff_ser(int port, char* bufptr, int buflen, int numsec);
ECR_EXPORT int ECR_API ecr_file_xonxoff_ser(int port, const char* filename);
// Present COM ports as "n,n,..." (at most 10, 40 bytes with the NUL); the count.
ECR_EXPORT int ECR_API ecr_enum_port_ser(char* string);

#ifdef __cplusplus
}
#endif
