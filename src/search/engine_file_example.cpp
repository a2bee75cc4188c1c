// The example engines file the program ships: engines that serve Chinese
// results today, in their public query forms. Engines change their addresses
// and pagers every few years; the user fixes a copy in the data folder.
#include "search/engine_file.h"

namespace valo::search {

std::string_view exampleEngineFile() {
  return R"INI(; Valo传真搜索 的搜索引擎文件（UTF-8）。每节一个搜索引擎，排在十个内置引擎之后。
; 在“搜索引擎”框中输入或选择 home 的值即选用该引擎。修改后重新启动程序，
; 或在托盘菜单中选“重新载入搜索引擎”生效。
;
; home       = http:// 或 https:// 加主机名，不带路径和结尾的“/”
; query      = 查询地址，{keyword} 为关键字，{page} 为页码，{page} 在 {keyword} 之后
; page       = 页码与 PageIndex（每个关键字从 0 起）的关系：index、index+1、index*10、index*10+1
; encoding   = 关键字编码：gbk-url、plain、utf8-percent、utf8-url
; next       = 下一页的文字，一行含其中之一即有下一页；多个用“|”隔开
; next-start = （可选）该行去掉首尾空白后须以此开头
; cap        = 页数上限，PageIndex 达到它即换下一个关键字
; verify     = （可选）该引擎验证页上的文字，多个用“|”隔开

[百度]
home = https://www.baidu.com
query = https://www.baidu.com/s?wd={keyword}&pn={page}&ie=utf-8
page = index*10
encoding = utf8-url
next = 下一页
cap = 76
verify = 百度安全验证

[搜狗]
home = https://www.sogou.com
query = https://www.sogou.com/web?query={keyword}&page={page}&ie=utf8
page = index+1
encoding = utf8-url
next = 下一页
cap = 100

[360搜索]
home = https://www.so.com
query = https://www.so.com/s?q={keyword}&pn={page}
page = index+1
encoding = utf8-url
next = 下一页
cap = 100

[必应中国]
home = https://cn.bing.com
query = https://cn.bing.com/search?q={keyword}&first={page}&ensearch=0
page = index*10+1
encoding = utf8-url
next = 下一页
cap = 100
)INI";
}

}  // namespace valo::search
