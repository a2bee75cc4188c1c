// See progress_lines.h. JSON objects come out compact, one a line, so that
// a log reader can take each line as it comes.
#include "headless/progress_lines.h"

#include <QJsonDocument>
#include <QJsonObject>

namespace valo::headless {
namespace {

QString compact(const QJsonObject& object) {
  return QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Compact));
}

}  // namespace

QString formatPageLine(const PageLine& l, bool json) {
  if (json) {
    QJsonObject o{{QStringLiteral("event"), QStringLiteral("page")},
                    {QStringLiteral("time"), l.time},
                    {QStringLiteral("keyword"), l.keyword},
                    {QStringLiteral("keywords"), l.keywords},
                    {QStringLiteral("page"), l.page},
                    {QStringLiteral("numbers_on_page"), l.onPage},
                    {QStringLiteral("numbers_so_far"), l.soFar},
                    {QStringLiteral("refusals"), l.refusals},
                    {QStringLiteral("proxy"), l.proxy},
                    {QStringLiteral("address"), l.address}};
    if (l.queueId != 0) o.insert(QStringLiteral("queue_id"), static_cast<qint64>(l.queueId));
    return compact(o);
  }
  const QString queue = l.queueId != 0 ? QStringLiteral(" 队列 #%1").arg(l.queueId) : QString();
  return QStringLiteral("%1 关键字 %2/%3 第 %4 页 本页 %5 个号码 共 %6 个 拒绝 %7 次 代理 %8")
      .arg(l.time)
      .arg(l.keyword)
      .arg(l.keywords)
      .arg(l.page)
      .arg(l.onPage)
      .arg(l.soFar)
      .arg(l.refusals)
      .arg(l.proxy.isEmpty() ? QStringLiteral("无") : l.proxy) + queue;
}

QString formatEndLine(const EndLine& l, bool json) {
  if (json) {
    return compact({{QStringLiteral("event"), QStringLiteral("end")},
                    {QStringLiteral("time"), l.time},
                    {QStringLiteral("exit_code"), l.exitCode},
                    {QStringLiteral("numbers"), l.found},
                    {QStringLiteral("pages"), l.pages},
                    {QStringLiteral("refusals"), l.refusals},
                    {QStringLiteral("end_text"), l.endText}});
  }
  return QStringLiteral("%1 结束 号码 %2 个 页 %3 个 拒绝 %4 次 退出码 %5：%6")
      .arg(l.time)
      .arg(l.found)
      .arg(l.pages)
      .arg(l.refusals)
      .arg(l.exitCode)
      .arg(l.endText);
}

QString formatNotice(const QString& time, const QString& kind, const QString& text, bool json) {
  if (json) return compact({{QStringLiteral("event"), kind}, {QStringLiteral("time"), time}, {QStringLiteral("text"), text}});
  return QStringLiteral("%1 %2：%3").arg(time, kind, text);
}

}  // namespace valo::headless
