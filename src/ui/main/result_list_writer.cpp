// See result_list_writer.h.
#include "ui/main/result_list_writer.h"

#include "files/atomic_file.h"
#include "text/app_error.h"

namespace valo::ui {

void writeResultList(const QString& path, const std::vector<GbkString>& numbers) {
  files::AtomicFile file(path);
  if (file.open() != 0) throw AppError(formatMessage("Cannot create file %s", toGbk(path)));
  std::string bytes;
  for (const GbkString& n : numbers) {
    bytes += n;
    bytes += "\r\n";
    if (bytes.size() >= (1u << 20)) {
      if (file.write(bytes) != 0) throw AppError("Stream write error");
      bytes.clear();
    }
  }
  if (file.write(bytes) != 0 || file.commit() != 0) throw AppError("Stream write error");
}

}  // namespace valo::ui
