// Fuzz target: the keyword-file loader. Arbitrary file bytes are normalised
// the way the keyword box takes them (text up to the first zero byte, every
// line end as CR LF); the result must be free of lone CRs and LFs and of zero
// bytes, must not change when normalised again, and a real file loaded and
// saved back must hold exactly those bytes.
#include <unistd.h>

#include <QDir>
#include <QString>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>

#include "files/keyword_store.h"
#include "fuzz_check.h"
#include "text/app_error.h"
#include "text/gbk.h"

namespace {

// A plain second account of the conversion: cut, then look at each byte with
// its neighbours.
std::string expectedText(std::string_view raw) {
  raw = raw.substr(0, raw.find('\0'));
  std::string out;
  for (std::size_t i = 0; i < raw.size(); ++i) {
    if (raw[i] == '\n' && i > 0 && raw[i - 1] == '\r') continue;  // the LF of a CR LF already written
    if (raw[i] == '\r' || raw[i] == '\n') {
      out += "\r\n";
    } else {
      out += raw[i];
    }
  }
  return out;
}

void checkShape(const std::string& text) {
  FUZZ_CHECK(text.find('\0') == std::string::npos);
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r') FUZZ_CHECK(i + 1 < text.size() && text[i + 1] == '\n');
    if (text[i] == '\n') FUZZ_CHECK(i > 0 && text[i - 1] == '\r');
  }
}

const std::string& workFolder();

void removeWorkFolder() {
  for (const char* name : {"/valofaxbody.ini", "/saved.ini"}) std::remove((workFolder() + name).c_str());
  rmdir(workFolder().c_str());
}

// A folder of its own on a memory file system where there is one: every run
// writes two files.
const std::string& workFolder() {
  // Never destroyed: the clean-up at exit still needs it.
  static const std::string& folder = *new std::string([] {
    const char* base = std::getenv("VALO_FUZZ_TMP");
    std::string tmpl = std::string(base ? base : (access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp")) +
                       "/valo-fuzz-keywords-XXXXXX";
    if (mkdtemp(tmpl.data()) == nullptr) {
      std::perror("mkdtemp");
      std::abort();
    }
    std::atexit(removeWorkFolder);
    return tmpl;
  }());
  return folder;
}

std::string readBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void checkFiles(std::string_view raw, const std::string& expected, std::size_t capacity) {
  const std::string source = workFolder() + "/valofaxbody.ini";
  const std::string saved = workFolder() + "/saved.ini";
  {
    std::ofstream out(source, std::ios::binary | std::ios::trunc);
    out.write(raw.data(), static_cast<std::streamsize>(raw.size()));
  }
  const QString sourcePath = QString::fromStdString(source);
  std::optional<std::string> loaded;
  try {
    loaded = valo::files::LoadKeywords(sourcePath, capacity);
  } catch (const valo::AppError& e) {
    // The only refusal a readable file can meet is the box's capacity.
    FUZZ_CHECK(expected.size() > capacity);
    FUZZ_CHECK(e.message() == valo::gbk("文本超过 Memo 容量"));
    return;
  }
  FUZZ_CHECK(expected.size() <= capacity);
  FUZZ_CHECK(loaded.has_value());
  FUZZ_CHECK(*loaded == expected);
  FUZZ_CHECK(valo::files::SaveKeywords(QString::fromStdString(saved), *loaded));
  FUZZ_CHECK(readBytes(saved) == expected);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  // The first byte sets a small box capacity (255 = the real one).
  const std::size_t capacity = data[0] == 255 ? valo::files::kKeywordBoxCapacity : data[0] * 8u;
  const std::string_view raw(reinterpret_cast<const char*>(data) + 1, size - 1);

  const std::string text = valo::files::normalizeKeywordText(raw);
  checkShape(text);
  FUZZ_CHECK_BYTES(text == expectedText(raw), raw);
  FUZZ_CHECK(valo::files::normalizeKeywordText(text) == text);
  checkFiles(raw, text, capacity);
  return 0;
}
