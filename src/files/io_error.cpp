// errno to I/O error code and text; see io_error.h.
#include "files/io_error.h"

#include <cerrno>

namespace valo::files {

int ioErrorCode(int errnoValue) {
  switch (errnoValue) {
    case ENOENT:
      return kIoFileNotFound;
    case ENAMETOOLONG:
    case EINVAL:
    case ENOTDIR:
    case ELOOP:
      return kIoInvalidFilename;
    case EMFILE:
    case ENFILE:
      return kIoTooManyOpenFiles;
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR:  // opening a folder as a file is refused access on the original platform
      return kIoAccessDenied;
    case EBUSY:
    case ETXTBSY:
      return kIoSharingViolation;
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
      return kIoDiskFull;
    case EBADF:
      return 6;  // invalid handle
    case ENOMEM:
      return 8;  // not enough memory
    case EXDEV:
      return 17;  // not the same device
    case EIO:
      return 31;  // device not functioning
    case EEXIST:
      return 80;  // file exists
    default:
      return 1000 + errnoValue;
  }
}

GbkString ioErrorText(int code) {
  switch (code) {
    case kIoFileNotFound:
      return "File not found";
    case kIoInvalidFilename:
      return "Invalid filename";
    case kIoTooManyOpenFiles:
      return "Too many open files";
    case kIoAccessDenied:
      return "File access denied";
    case kIoReadBeyondEnd:
      return "Read beyond end of file";
    case kIoDiskFull:
      return "Disk full";
    case kIoInvalidNumericInput:
      return "Invalid numeric input";
    default:
      return "I/O error " + intToStr(code);
  }
}

AppError ioErrorFromErrno(int errnoValue) {
  return AppError(ioErrorText(ioErrorCode(errnoValue)));
}

}  // namespace valo::files
