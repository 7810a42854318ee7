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

#ifdef __cplusplus
}
#endif
