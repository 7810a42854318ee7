#pragma once
// The socket layer under the register channels: Winsock start and stop, host
// resolution, a few socket helpers and the ICMP echo.

#include <winsock2.h>
#include <cstdint>

// Name tried when the caller gives no host (empty, or starting with "@").
extern const char ecr_default_host[];

// Starts Winsock 2.2 for the library; 0 or the Winsock error number.
int ecr_winsock_start();
// Stops it once, and only when the library's own start succeeded.
void ecr_winsock_stop();
// Counts it as stopped without stopping it (the process is ending).
void ecr_winsock_forget();
// The kept start result: 0 started, > 0 its error, -1 stopped.
int ecr_winsock_state();

// Resolves the register's host argument; 0 or ERR_SOCKET_LIBRARY,
// ERR_HOSTNAME_NON_RISOLTO, ERR_INVALID_IP_ADDRESS, ERR_RETE_NON_DISP.
// `*ip` (network order) is all ones unless it succeeds.
int ecr_resolve_host(const char* hostname, uint32_t* ip);

// Dotted text of a network-order address into a 16-byte buffer.
const char* ecr_ip_text(uint32_t ip, char* buffer);

// The socket's receive time-out (0: none); 0, or -1 when it failed (logged).
int sock_set_rcv_timeout(SOCKET sock, int seconds);
int sock_set_rcv_timeout_ms(SOCKET sock, DWORD ms);
int sock_pending(SOCKET sock);
void sock_drain(SOCKET sock);

// Three ICMP echo requests at most, `numsec` seconds each (3 when <= 0).
int ecr_icmp_ping(uint32_t ip, int numsec);
