#pragma once
// Result codes of every ecr_ operation: zero or more is success and carries
// a value, negative is one of these failures.

enum ecr_error_code {
    ERR_SOCKET_LIBRARY = -1,
    ERR_HOSTNAME_NON_RISOLTO = -2,
    ERR_INVALID_IP_ADDRESS = -3,
    ERR_SOCKET_OPEN = -4,
    ERR_RETE_NON_DISP = -5,
    ERR_TIMEOUT = -6,
    ERR_TRANSFER_FAILED = -7,
    ERR_INVALID_REQUEST_ID = -8,
    ERR_INVALID_FILENAME = -9,
    ERR_FILE_NOT_FOUND = -10,
    ERR_INVALID_FILESIZE = -11,
    ERR_FILE_CREATION = -12,
    ERR_REG_IN_ERRORE = -13,
    ERR_REG_NON_DISP = -14,
    ERR_CONNECT_GIA_IN_CORSO = -15,
    ERR_CONNECT_FAILED = -16,
    ERR_CONNECT_CLOSED = -17,
    ECR_ERR_PARAMETRI = -18,
    ECR_ERR_REG_NON_ATTIVO = -19,
    ECR_ERR_BAUD_NOT_VALID = -20,
    ECR_ERR_PORT_NOT_VALID = -21,
};

typedef int ecr_result;

// Longest name (24 characters) plus its NUL.
#define ECR_ERR_TEXT_SIZE 25
