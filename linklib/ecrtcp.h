#pragma once
// The XON/XOFF command stream over TCP: connect to the register's command
// port, send text pieces that it answers one control byte each, receive its
// output and disconnect. The exports themselves are declared in brisal.h.

// 1 when the connected register's INFO text names a "V1." firmware, which
// also answers with the digits '0', '1' and '2'. Set by every connect.
extern int ecr_v10_ntw;

// The register's command port.
#define ECR_TCP_PORT 1723

// What an answer byte after a piece means.
enum class EcrAnswer { Taken, Refused, Busy, None };
EcrAnswer ecr_answer_kind(unsigned char byte, int v10);

// True when an INFO text names a "V1." firmware ("VERSIONE=V1.").
bool ecr_info_is_v10(const char* info);
