// The I/O error texts of the program's line-by-line text files, and the
// mapping of the system's errno values onto the error codes those texts use.
#pragma once

#include "text/app_error.h"

namespace valo::files {

// Codes with a fixed text. Codes below 100 are operating-system codes.
inline constexpr int kIoFileNotFound = 2;
inline constexpr int kIoInvalidFilename = 3;
inline constexpr int kIoTooManyOpenFiles = 4;
inline constexpr int kIoAccessDenied = 5;
inline constexpr int kIoSharingViolation = 32;
inline constexpr int kIoReadBeyondEnd = 100;
inline constexpr int kIoDiskFull = 101;
inline constexpr int kIoInvalidNumericInput = 106;

// The nearest code for an errno value. Values without a near counterpart map
// to 1000 + errno: outside the range of the listed codes, so that they cannot
// be mistaken for one, while still naming the system's error.
int ioErrorCode(int errnoValue);

// "File not found", "Disk full", ..., or "I/O error <code>".
GbkString ioErrorText(int code);

// The error a failed file operation raises, from its errno value.
AppError ioErrorFromErrno(int errnoValue);

}  // namespace valo::files
