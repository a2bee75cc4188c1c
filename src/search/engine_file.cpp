// The engines file's reader; see engine_file.h.
// The file is read line by line here rather than through QSettings, which
// returns sections sorted by name (the box keeps the file's order), splits
// values at commas, and cannot say on which line, in which section and under
// which key a fault lies or that a line is not UTF-8.
#include "search/engine_file.h"

#include <QFile>
#include <QStringList>
#include <QRegularExpression>
#include <algorithm>
#include <charconv>
#include <map>
#include <optional>
#include <set>

#include "text/text_lines.h"

namespace valo::search {

FileEngine::FileEngine(std::string section, std::string home, std::string scheme, std::string host,
                       std::string pathHead, std::string pageKey, std::string suffix, PageNumberRule pageNumber,
                       KeywordEncoding encoding, std::int32_t cap, FileEngineRules rules)
    : section_(std::move(section)),
      home_(std::move(home)),
      scheme_(std::move(scheme)),
      host_(std::move(host)),
      pathHead_(std::move(pathHead)),
      pageKey_(std::move(pageKey)),
      suffix_(std::move(suffix)),
      rules_(std::move(rules)),
      // A file engine starts every keyword at PageIndex 0; the page rule says
      // which number that page carries.
      row_{Service::FromFile, section_,   home_,    host_,           pathHead_,
           pageKey_,          pageNumber, suffix_,  suffix_,         0,
           encoding,          PageMeasure::Index, cap, scheme_, &rules_} {}

namespace {

QString u(std::string_view utf8) {
  return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

struct Entry {
  std::string value;
  int line = 0;
};

struct Section {
  std::string name;
  int line = 0;
  std::map<std::string, Entry> keys;
  bool faulty = false;
  bool unreadable = false;  // its name could not be read: told once, nothing more
};

constexpr std::string_view kKeys[] = {"home", "query", "page", "encoding", "next", "next-start", "cap", "verify"};

class Reader {
 public:
  EngineFileContents out;

  void problem(const Section* s, int line, std::string_view key, const QString& what) {
    out.problems.push_back({line, s ? u(s->name) : QString(), u(key), what});
  }

  // A key's fault leaves the whole section out: a half-understood engine
  // would send queries nobody asked for.
  void fault(Section& s, std::string_view key, const QString& what) {
    const auto found = s.keys.find(std::string(key));
    problem(&s, found == s.keys.end() ? 0 : found->second.line, key, what);
    s.faulty = true;
  }

  const std::string* need(Section& s, std::string_view key) {
    const auto found = s.keys.find(std::string(key));
    if (found == s.keys.end() || found->second.value.empty()) {
      fault(s, key, QStringLiteral("缺少此项"));
      return nullptr;
    }
    return &found->second.value;
  }

  // "a | b | c" as GBK texts; nullopt when one has no GBK form.
  std::optional<std::vector<GbkString>> gbkTexts(Section& s, std::string_view key, const std::string& value) {
    std::vector<GbkString> texts;
    std::size_t from = 0;
    while (from <= value.size()) {
      std::size_t bar = value.find('|', from);
      if (bar == std::string::npos) bar = value.size();
      const std::string_view text = trimBlanks(std::string_view(value).substr(from, bar - from));
      if (!text.empty()) {
        GbkString g = gbkFromUtf8(text);
        if (utf8FromGbk(g) != text) {
          fault(s, key, QStringLiteral("“%1”含有GBK无法表示的字符").arg(u(text)));
          return std::nullopt;
        }
        texts.push_back(std::move(g));
      }
      from = bar + 1;
    }
    return texts;
  }

  void finish(Section& s, std::set<std::string>& homes);
};

void Reader::finish(Section& s, std::set<std::string>& homes) {
  if (s.unreadable) return;
  for (const auto& [key, entry] : s.keys) {
    if (std::find(std::begin(kKeys), std::end(kKeys), key) == std::end(kKeys))
      problem(&s, entry.line, key, QStringLiteral("未知的项，已忽略"));
  }
  const std::string* home = need(s, "home");
  const std::string* query = need(s, "query");
  const std::string* page = need(s, "page");
  const std::string* encoding = need(s, "encoding");
  const std::string* next = need(s, "next");
  const std::string* cap = need(s, "cap");

  static const QRegularExpression homeForm(QStringLiteral("^https?://[A-Za-z0-9.-]+(:[0-9]{1,5})?$"));
  if (home != nullptr) {
    if (!homeForm.match(u(*home)).hasMatch()) {
      fault(s, "home", QStringLiteral("须为 http:// 或 https:// 加主机名，不带路径和结尾的“/”"));
    } else if (const auto& table = engineTable(); std::any_of(table.begin(), table.end(), [&](const SearchEngine& e) {
                 return e.homeAddress == *home;
               })) {
      fault(s, "home", QStringLiteral("与内置搜索引擎的主页地址相同，内置引擎不能由文件更改"));
    } else if (homes.contains(*home)) {
      fault(s, "home", QStringLiteral("与前面一节的主页地址相同"));
    }
  }

  std::string scheme, host, pathHead, pageKey, suffix;
  if (query != nullptr) {
    const std::string& q = *query;
    const std::size_t kw = q.find("{keyword}");
    const std::size_t pg = q.find("{page}");
    scheme = q.starts_with("https://") ? "https://" : q.starts_with("http://") ? "http://" : "";
    const std::size_t hostEnd = q.find_first_of("/?#", scheme.size());
    if (std::any_of(q.begin(), q.end(), [](char c) { return c <= ' ' || c > '~'; })) {
      fault(s, "query", QStringLiteral("只能含可见的ASCII字符，不能有空格（非ASCII字符请先百分号编码）"));
    } else if (kw == std::string::npos) {
      fault(s, "query", QStringLiteral("缺少 {keyword}"));
    } else if (pg == std::string::npos) {
      fault(s, "query", QStringLiteral("缺少 {page}"));
    } else if (q.find("{keyword}", kw + 1) != std::string::npos || q.find("{page}", pg + 1) != std::string::npos) {
      fault(s, "query", QStringLiteral("{keyword} 和 {page} 各只能出现一次"));
    } else if (pg < kw) {
      fault(s, "query", QStringLiteral("{page} 须在 {keyword} 之后"));
    } else if (scheme.empty() || hostEnd == std::string::npos || hostEnd == scheme.size() || hostEnd > kw) {
      fault(s, "query", QStringLiteral("须以 http:// 或 https:// 加主机名开头，{keyword} 在主机名之后的路径或参数中"));
    } else {
      host = q.substr(scheme.size(), hostEnd - scheme.size());
      pathHead = q.substr(hostEnd, kw - hostEnd);
      pageKey = q.substr(kw + 9, pg - kw - 9);
      suffix = q.substr(pg + 6);
    }
  }

  PageNumberRule rule = PageNumberRule::Index;
  if (page != nullptr) {
    static const std::map<std::string, PageNumberRule, std::less<>> rules = {
        {"index", PageNumberRule::Index},
        {"index+1", PageNumberRule::IndexPlus1},
        {"index*10", PageNumberRule::IndexTimes10},
        {"index*10+1", PageNumberRule::IndexTimes10Plus1},
    };
    std::string written;
    for (char c : *page) {
      if (c != ' ') written += c;
    }
    const auto found = rules.find(written);
    if (found == rules.end())
      fault(s, "page", QStringLiteral("须为 index、index+1、index*10 或 index*10+1"));
    else
      rule = found->second;
  }

  KeywordEncoding kind = KeywordEncoding::GbkUrl;
  if (encoding != nullptr) {
    static const std::map<std::string, KeywordEncoding, std::less<>> kinds = {
        {"gbk-url", KeywordEncoding::GbkUrl},
        {"plain", KeywordEncoding::Plain},
        {"utf8-percent", KeywordEncoding::Utf8Percent},
        {"utf8-url", KeywordEncoding::Utf8Url},
    };
    const auto found = kinds.find(*encoding);
    if (found == kinds.end())
      fault(s, "encoding", QStringLiteral("未知的编码，须为 gbk-url、plain、utf8-percent 或 utf8-url"));
    else
      kind = found->second;
  }

  std::int32_t capValue = 0;
  if (cap != nullptr) {
    const auto [end, ec] = std::from_chars(cap->data(), cap->data() + cap->size(), capValue);
    if (ec != std::errc() || end != cap->data() + cap->size() || capValue < 1 || capValue > 100000)
      fault(s, "cap", QStringLiteral("须为 1 到 100000 的整数"));
  }

  FileEngineRules rules;
  if (next != nullptr) {
    if (auto texts = gbkTexts(s, "next", *next)) {
      if (texts->empty())
        fault(s, "next", QStringLiteral("缺少下一页的文字"));
      else
        rules.nextTexts = std::move(*texts);
    }
  }
  if (const auto found = s.keys.find("next-start"); found != s.keys.end()) {
    if (auto texts = gbkTexts(s, "next-start", found->second.value)) {
      if (texts->size() > 1)
        fault(s, "next-start", QStringLiteral("只能有一段文字"));
      else if (!texts->empty())
        rules.nextStart = std::move(texts->front());
    }
  }
  if (const auto found = s.keys.find("verify"); found != s.keys.end()) {
    if (auto texts = gbkTexts(s, "verify", found->second.value)) rules.verifyTexts = std::move(*texts);
  }

  if (s.faulty) return;
  homes.insert(*home);
  out.engines.push_back(std::make_unique<FileEngine>(s.name, *home, scheme, host, pathHead, pageKey, suffix, rule,
                                                     kind, capValue, std::move(rules)));
}

// Bytes that are not UTF-8 become U+FFFD on the way in, so they do not
// come back out the same.
bool isUtf8(std::string_view bytes) {
  const QByteArray in(bytes.data(), static_cast<qsizetype>(bytes.size()));
  return QString::fromUtf8(in).toUtf8() == in;
}

}  // namespace

EngineFileContents parseEngineFile(std::string_view bytes) {
  Reader reader;
  if (bytes.starts_with("\xEF\xBB\xBF")) bytes.remove_prefix(3);
  std::vector<Section> sections;
  std::set<std::string> homes;
  std::size_t from = 0;
  int lineNo = 0;
  while (from < bytes.size()) {
    std::size_t end = bytes.find('\n', from);
    if (end == std::string_view::npos) end = bytes.size();
    const std::string_view raw = bytes.substr(from, end - from);
    from = end + 1;
    ++lineNo;
    const std::string_view line = trimBlanks(raw);
    Section* current = sections.empty() ? nullptr : &sections.back();
    if (line.empty() || line.starts_with(';') || line.starts_with('#')) continue;
    const std::size_t eq = line.find('=');
    const std::string_view key = trimBlanks(line.substr(0, eq == std::string_view::npos ? 0 : eq));
    if (!isUtf8(line)) {
      if (line.starts_with('[')) {
        // An unreadable section name: its keys must not fall to the section before.
        reader.problem(nullptr, lineNo, {}, QStringLiteral("节名不是UTF-8文本"));
        sections.push_back({std::string(), lineNo, {}, true, true});
        continue;
      }
      const bool keyReadable = eq != std::string_view::npos && isUtf8(key);
      reader.problem(current, lineNo, keyReadable ? key : std::string_view(), QStringLiteral("不是UTF-8文本"));
      if (current) current->faulty = true;
      continue;
    }
    if (line.starts_with('[')) {
      if (!line.ends_with(']') || trimBlanks(line.substr(1, line.size() - 2)).empty()) {
        reader.problem(current, lineNo, {}, QStringLiteral("节名须写成 [名称]"));
        if (current) current->faulty = true;
        continue;
      }
      sections.push_back({std::string(trimBlanks(line.substr(1, line.size() - 2))), lineNo, {}, false, false});
      continue;
    }
    if (current == nullptr) {
      reader.problem(nullptr, lineNo, key, QStringLiteral("在第一个节 [名称] 之前"));
      continue;
    }
    if (eq == std::string_view::npos || key.empty()) {
      reader.problem(current, lineNo, {}, QStringLiteral("须写成 键 = 值"));
      current->faulty = true;
      continue;
    }
    const std::string keyText(key);
    if (current->keys.contains(keyText)) {
      reader.problem(current, lineNo, key, QStringLiteral("重复的项"));
      current->faulty = true;
      continue;
    }
    current->keys[keyText] = {std::string(trimBlanks(line.substr(eq + 1))), lineNo};
  }
  for (Section& s : sections) reader.finish(s, homes);
  return std::move(reader.out);
}

EngineFileContents loadEngineFile(const QString& path) {
  QFile file(path);
  if (!file.exists()) return {};
  if (!file.open(QIODevice::ReadOnly)) {
    EngineFileContents out;
    out.problems.push_back({0, {}, {}, QStringLiteral("无法读取文件：%1").arg(file.errorString())});
    return out;
  }
  const QByteArray bytes = file.readAll();
  return parseEngineFile(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
}

QString describeProblems(const std::vector<EngineFileProblem>& problems) {
  QStringList lines;
  for (const EngineFileProblem& p : problems) {
    QString where;
    if (!p.section.isEmpty()) where += QStringLiteral("[%1] ").arg(p.section);
    if (!p.key.isEmpty()) where += p.key + QStringLiteral("：");
    QString line = where + p.what;
    if (p.line > 0) line += QStringLiteral("（第%1行）").arg(p.line);
    lines << line;
  }
  return lines.join(QLatin1Char('\n'));
}

}  // namespace valo::search
