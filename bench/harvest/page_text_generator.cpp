// Generator of realistic GBK result-page lines.
#include "page_text_generator.h"

#include <random>
#include <string_view>

#include "text/gbk.h"

namespace valo::harvest::bench {

namespace {

constexpr std::string_view kHanzi =
    "的一是在不了有和人这中大为上个国我以要他时来用们生到作地于出就分对成会可主发年动同工也能下过子说产种面而"
    "方后"
    "多定行学法所民得经十三之进着等部度家电力里如水化高自二理起小物现实加量都两体制机当使点从业本去把性好应开"
    "它合还"
    "因由其些然前外天政四日那社义事平形相全表间样与关各重新线内数正心反你明看原又么利比或但质气第向道命此变条"
    "只没结"
    "解问意建月公无系军很情者最立代想已通并提直题党程展五果料象员革位入常文总次品式活设及管特件长求老头基资边"
    "流路级"
    "少图山统接知较将组见计别她手角期根论运农指几九区强放决西被干做必战先回则任取据处队南给色光门即保治北造百"
    "规热领"
    "七海口东导器压志世金增争济阶油思术极交受联什认六共权收证改清己美再采转更单风切打白教速花带安场身车例真务"
    "具万每"
    "目至达走积示议声报斗完类八离华名确才科张信马节话米整空元况今集温传土许步群广石记需段研界拉林律叫且究观越"
    "织装影";

std::string pick(std::mt19937& rng, const std::vector<std::string_view>& from) {
  return std::string(from[rng() % from.size()]);
}

std::string hanzi(std::mt19937& rng, int count) {
  // Every character of the pool is three UTF-8 bytes.
  std::string out;
  const std::size_t chars = kHanzi.size() / 3;
  for (int i = 0; i < count; ++i) out += kHanzi.substr((rng() % chars) * 3, 3);
  return out;
}

std::string digits(std::mt19937& rng, int count) {
  std::string out;
  for (int i = 0; i < count; ++i) out += static_cast<char>('0' + rng() % 10);
  return out;
}

const std::vector<std::string_view> kCities = {"杭州", "深圳", "上海", "北京", "宁波",
                                               "温州", "苏州", "广州", "无锡", "青岛"};
const std::vector<std::string_view> kTrades = {"机械", "电子", "化工", "纺织", "五金",
                                               "食品", "塑料", "包装", "阀门", "服装"};
const std::vector<std::string_view> kAreaCodes = {"0571", "0755", "021", "010",  "0574",
                                                  "0577", "0512", "020", "0510", "0532"};
const std::vector<std::string_view> kSites = {"www.xinhua-jixie.com",
                                              "www.made-in-china.com/showroom/hzjx",
                                              "b2b.hc360.com/supplyself/2009",
                                              "www.alibaba.com.cn/company/",
                                              "cn.china.cn/xiaoshan/product",
                                              "www.zhaoshang-sh.com/info/",
                                              "shop.1688.com/page/contactinfo.htm",
                                              "www.baidu.com/link?url="};

std::string areaNumber(std::mt19937& rng) {
  const std::string area = pick(rng, kAreaCodes);
  return area + "-" + digits(rng, area.size() == 3 ? 8 : (rng() % 2 ? 8 : 7));
}

std::string faxNumberText(std::mt19937& rng) {
  const std::string area = pick(rng, kAreaCodes);
  const std::string local = digits(rng, area.size() == 3 ? 8 : 8 - static_cast<int>(rng() % 2));
  switch (rng() % 7) {
    case 0:
      return area + "-" + local;
    case 1:
      return "+86-" + area.substr(1) + "-" + local;
    case 2:
      return "(" + area + ")" + local;
    case 3:
      return "+86 " + area.substr(1) + " " + local.substr(0, 4) + " " + local.substr(4);
    case 4:
      return "86-" + area + "-" + local;
    case 5:
      return area + " " + local;
    default:
      return "0086-" + area.substr(1) + "-" + local + "-" + digits(rng, 3);
  }
}

std::string faxLine(std::mt19937& rng) {
  static const std::vector<std::string_view> kLabels = {"传真：",   "传真:",   "传真 ",   "传真号码：",
                                                        "传真至：", "FAX:",    "Fax：",   "fax ",
                                                        "(Fax)：",  "（FAX）", "传真： ", "Fax: "};
  std::string line;
  switch (rng() % 4) {
    case 0:
      line = "电话：" + areaNumber(rng) + "  ";
      break;
    case 1:
      line = hanzi(rng, 4) + "有限公司 ";
      break;
    default:
      break;
  }
  line += pick(rng, kLabels) + faxNumberText(rng);
  if (rng() % 3 == 0) line += " 联系人：" + hanzi(rng, 3);
  return line;
}

std::string pageLine(std::mt19937& rng) {
  const unsigned kind = rng() % 100;
  if (kind < 40)
    return hanzi(rng, 10 + static_cast<int>(rng() % 60)) + "..." + hanzi(rng, static_cast<int>(rng() % 20));
  if (kind < 55)
    return pick(rng, kSites) + digits(rng, 6) + ".html " + std::to_string(rng() % 90 + 10) + "K - 百度快照";
  if (kind < 70)
    return pick(rng, kCities) + hanzi(rng, 2) + pick(rng, kTrades) + "有限公司 - " + hanzi(rng, 8);
  if (kind < 80) {
    return (rng() % 2 ? "电话：" : "联系电话：") + areaNumber(rng) + " 手机：1" + digits(rng, 10) +
           " 地址：" + pick(rng, kCities) + "市" + hanzi(rng, 6) + "路" + digits(rng, 3) + "号";
  }
  if (kind < 90) return faxLine(rng);
  return "Email: sales" + digits(rng, 2) + "@" + pick(rng, kSites).substr(4, 8) + " QQ:" + digits(rng, 9);
}

std::string mobile(std::mt19937& rng) {
  return "1" + std::string(1, "3589"[rng() % 4]) + digits(rng, 9);
}

// Every way the number behind a label is written on directory pages.
std::string anyNumber(std::mt19937& rng) {
  switch (rng() % 10) {
    case 0:
      return mobile(rng);
    case 1:
      return areaNumber(rng) + "-" + digits(rng, 1 + static_cast<int>(rng() % 3));  // extension
    case 2:
      return digits(rng, 8);  // local number, too short once normalised
    default:
      return faxNumberText(rng);
  }
}

std::string denseFaxLine(std::mt19937& rng) {
  static const std::vector<std::string_view> kLabels = {
      "传真：",      "传真:",    "传真 ",     "传真号码：", "传真至：", "传真： ", "FAX:",    "FAX：",
      "Fax：",       "Fax: ",    "fax:",      "fax ",       "(Fax) ",   "(Fax)：", "（FAX）", "（FAX）：",
      "电话/传真：", "Tel/Fax:", "TEL/FAX：", "FAX号码：",  "Fax至：",  "传真;",   "F A X："};
  std::string line;
  switch (rng() % 5) {
    case 0:
      line = hanzi(rng, 2 + static_cast<int>(rng() % 3));
      break;
    case 1:
      line = "电话：" + areaNumber(rng) + " ";
      break;
    default:
      break;
  }
  line += pick(rng, kLabels) + anyNumber(rng);
  if (rng() % 4 == 0) line += " " + hanzi(rng, 1 + static_cast<int>(rng() % 3));
  return line;
}

std::string denseOtherLine(std::mt19937& rng) {
  switch (rng() % 7) {
    case 0:
      return pick(rng, kCities) + hanzi(rng, 2) + pick(rng, kTrades) + "有限公司";
    case 1:
      return "电话：" + areaNumber(rng);
    case 2:
      return "手机：" + mobile(rng) + " " + hanzi(rng, 2);
    case 3:
      return "地址：" + pick(rng, kCities) + "市" + hanzi(rng, 3) + "路" + digits(rng, 3) + "号";
    case 4:
      return "邮编：" + digits(rng, 6) + " 联系人：" + hanzi(rng, 3);
    case 5:
      return "主营：" + hanzi(rng, 4) + "、" + hanzi(rng, 4);
    default:
      return "Email: sales" + digits(rng, 2) + "@" + std::string(pick(rng, kSites).substr(4, 8)) + ".com";
  }
}

}  // namespace

std::vector<std::string> generateDenseLines(std::size_t totalBytes, std::uint32_t seed) {
  std::mt19937 rng(seed);
  std::vector<std::string> lines;
  std::size_t bytes = 0;
  while (bytes < totalBytes) {
    std::string line = gbk(rng() % 100 < 45 ? denseFaxLine(rng) : denseOtherLine(rng));
    if (line.size() > 60) continue;
    // Lines are padded with text to a length between 20 and 60 bytes, as
    // directory entries run on.
    const std::size_t length = 20 + rng() % 41;
    while (line.size() + 1 < length) line += gbk(hanzi(rng, 1));
    bytes += line.size();
    lines.push_back(std::move(line));
  }
  return lines;
}

std::vector<std::string> generatePageLines(std::size_t totalBytes, std::uint32_t seed) {
  std::mt19937 rng(seed);
  std::vector<std::string> lines;
  std::size_t bytes = 0;
  while (bytes < totalBytes) {
    lines.push_back(gbk(pageLine(rng)));
    bytes += lines.back().size();
  }
  return lines;
}

}  // namespace valo::harvest::bench
