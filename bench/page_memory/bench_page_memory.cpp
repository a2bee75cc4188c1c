// Peak memory growth of reading one 50 MB result page: a page of short lines
// and a page of one huge line, served from loopback to the real embedded
// browser, its text taken as the run takes it and read by the run's page
// reader. Prints, per page, the growth of this process's peak resident size
// (VmHWM, reset before each page through /proc/self/clear_refs) over the page
// size, and checks that the page yields exactly the numbers the lines rule
// gives (a line is read as its first 4096 bytes).
//
// The pages are served by a child process forked before anything else, so
// the server's buffers are not counted.
//
//   bench_page_memory [megabytes]   (default 50)
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QApplication>
#include <QEventLoop>
#include <QTimer>
#include <algorithm>
#include <csignal>
#include <cstdio>
#include <fstream>
#include <string>

#include "../support/quiet_run_window.h"
#include "harvest/fax_extractor.h"
#include "search/run_driver.h"
#include "text/gbk.h"
#include "ui/browser/web_browser.h"

using namespace valo;

namespace {

long long statusKb(const char* field) {
  std::ifstream in("/proc/self/status");
  std::string line;
  while (std::getline(in, line)) {
    if (line.rfind(field, 0) == 0) return std::stoll(line.substr(std::string(field).size()));
  }
  return -1;
}

void resetPeak() {
  std::ofstream("/proc/self/clear_refs") << "5";
}


// The body text in GBK, lines ended by LF, and how many numbers it yields.
struct Page {
  std::string text;
  int numbers = 0;
};

// Short lines, a fax line every 1000 lines.
Page shortLines(std::size_t bytes) {
  Page p;
  const std::string filler = gbk("深圳机械有限公司 产品介绍 欢迎咨询") + "\n";
  for (int i = 0; p.text.size() < bytes; ++i) {
    if (i % 1000 == 0) {
      p.text += gbk("传真：020-8") + std::to_string(1000000 + p.numbers) + "\n";
      ++p.numbers;
    } else {
      p.text += filler;
    }
  }
  return p;
}

// One line: a fax number at its start, one beyond its first 4096 bytes.
Page oneLine(std::size_t bytes) {
  Page p;
  p.text = gbk("传真：020-87654321 ");
  const std::string word = gbk("机械");
  while (p.text.size() < bytes) p.text += word;
  p.text += gbk(" 传真：021-12345678") + "\n";
  p.numbers = 1;
  return p;
}

// Short lines keep their breaks in a <pre>; the one line goes in a <div>,
// where it may wrap on screen but its text stays one line.
std::string html(const Page& page, bool preformatted) {
  const char* tag = preformatted ? "pre" : "div";
  return std::string("<!DOCTYPE html><html><head><meta charset=\"gbk\"></head><body><") + tag + ">" +
         page.text + "</" + tag + "></body></html>";
}


// Serves "/lines", "/line" and "/small" until killed; writes its port to `out`.
[[noreturn]] void serve(std::size_t bytes, int out) {
  const int listener = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ::bind(listener, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
  ::listen(listener, 8);
  socklen_t len = sizeof addr;
  ::getsockname(listener, reinterpret_cast<sockaddr*>(&addr), &len);
  const unsigned short port = ntohs(addr.sin_port);
  (void)!::write(out, &port, sizeof port);
  for (;;) {
    const int c = ::accept(listener, nullptr, nullptr);
    if (c < 0) continue;
    std::string request;
    char buf[4096];
    while (request.find("\r\n\r\n") == std::string::npos) {
      const ssize_t n = ::read(c, buf, sizeof buf);
      if (n <= 0) break;
      request.append(buf, static_cast<std::size_t>(n));
    }
    const std::string body = request.starts_with("GET /lines ")  ? html(shortLines(bytes), true)
                             : request.starts_with("GET /line ") ? html(oneLine(bytes), false)
                                                                 : html(shortLines(100000), true);
    const std::string head = "HTTP/1.1 200 OK\r\nContent-Type: text/html; charset=gbk\r\nCache-Control: no-store\r\n"
                             "Connection: close\r\nContent-Length: " +
                             std::to_string(body.size()) + "\r\n\r\n";
    const std::string all = head + body;
    for (std::size_t done = 0; done < all.size();) {
      const ssize_t n = ::write(c, all.data() + done, all.size() - done);
      if (n <= 0) break;
      done += static_cast<std::size_t>(n);
    }
    ::close(c);
  }
}

}  // namespace

int main(int argc, char** argv) {
  const std::size_t megabytes = argc > 1 ? std::stoul(argv[1]) : 50;
  const std::size_t bytes = megabytes * 1000 * 1000;
  int pipeFds[2];
  if (::pipe(pipeFds) != 0) return 2;
  const pid_t server = ::fork();
  if (server == 0) serve(bytes, pipeFds[1]);
  unsigned short port = 0;
  if (::read(pipeFds[0], &port, sizeof port) != sizeof port) return 2;

  qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
  QApplication app(argc, argv);
  ui::WebBrowser browser;
  browser.resize(800, 600);
  browser.show();
  bench::NullTimer t1, t2, t3;
  // One keyword, already taken: the page read ends the search, so the run
  // never navigates on its own.
  bench::QuietRunWindow window("k", false);
  bench::QuietServices services(window);
  search::SearchRunDriver driver(window, browser, t1, t2, t3, services, services.engines);
  const auto load = [&](const char* path) {
    QEventLoop loop;
    browser.OnDocumentComplete = [&] { loop.quit(); };
    browser.Navigate("http://127.0.0.1:" + std::to_string(port) + path);
    QTimer::singleShot(600000, &loop, &QEventLoop::quit);
    loop.exec();
    browser.OnDocumentComplete = nullptr;
  };

  // A small page first, so the browser's own start-up is not counted.
  load("/small");
  browser.readBodyText([&](env::PageText) {});

  int failures = 0;
  const struct {
    const char* name;
    const char* path;
    Page (*make)(std::size_t);
  } shapes[] = {{"short lines", "/lines", shortLines}, {"one huge line", "/line", oneLine}};
  for (const auto& shape : shapes) {
    std::size_t size = 0;
    int expected = 0;
    {
      const Page page = shape.make(bytes);
      size = page.text.size();
      expected = page.numbers;
    }
    window.list.clear();
    driver.state().KeywordIndex = 1;
    driver.state().MorePages = true;
    driver.state().FoundCount = 0;
    const long long before = statusKb("VmRSS:");
    resetPeak();
    load(shape.path);
    // The page's text is in hand once the load is announced: what it took
    // up to here is the browser's hand-over, what follows is the reader's.
    const long long loadPeak = statusKb("VmHWM:");
    const long long loaded = statusKb("VmRSS:");
    resetPeak();
    bool unreadable = false;
    browser.readBodyText([&](env::PageText p) {
      // A page the browser could not render (its renderer gave up) has no
      // text; say so instead of stopping in an error box.
      unreadable = static_cast<bool>(p.error);
      if (!unreadable) driver.ProcessResultPage(std::move(p));
    });
    if (unreadable) std::printf("%-14s the browser gave no text for this page\n", shape.name);
    const long long peak = std::max(loadPeak, statusKb("VmHWM:"));
    const double growth = static_cast<double>(peak - before) * 1024.0;
    std::printf("%-14s hand-over peak %.1f MB, held after it %.1f MB, reader peak %.1f MB over that\n", shape.name,
                static_cast<double>(loadPeak - before) * 1024.0 / 1e6,
                static_cast<double>(loaded - before) * 1024.0 / 1e6,
                static_cast<double>(statusKb("VmHWM:") - loaded) * 1024.0 / 1e6);
    const bool exact = static_cast<int>(window.list.size()) == expected;
    failures += !exact;
    std::printf("%-14s page %.1f MB: peak growth %.1f MB = %.2f x page; numbers %zu of %d%s\n", shape.name,
                static_cast<double>(size) / 1e6, growth / 1e6, growth / static_cast<double>(size),
                window.list.size(), expected, exact ? "" : "  MISMATCH");
    std::fflush(stdout);
  }
  ::kill(server, SIGKILL);
  return failures == 0 ? 0 : 1;
}
