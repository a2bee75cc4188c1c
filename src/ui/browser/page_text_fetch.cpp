// See page_text_fetch.h.
#include "ui/browser/page_text_fetch.h"

#include <QPointer>
#include <QWebEnginePage>
#include <QWebEngineScript>
#include <memory>

#include "text/app_error.h"
#include "ui/common/error_box.h"

namespace valo::ui {
namespace {

// Both run in the application's own script world, out of reach of the
// page's scripts, where the text waits between pieces; null when the
// document has no body.
QString firstScript() {
  return QStringLiteral(
             "(function(){var b=document.body;if(!b)return{text:null};var t=String(b.outerText);"
             "if(t.length<=%1)return{text:t};window.__valoPageText=t;return{length:t.length};})()")
      .arg(kPageTextPieceChars);
}

QString pieceScript(qsizetype from) {
  return QStringLiteral(
             "(function(){var t=window.__valoPageText;if(typeof t!=='string')return{};"
             "var p=t.substr(%1,%2);if(%1+%2>=t.length)delete window.__valoPageText;return{text:p};})()")
      .arg(from)
      .arg(kPageTextPieceChars);
}

std::u16string_view utf16(const QString& s) {
  return {reinterpret_cast<const char16_t*>(s.constData()), static_cast<std::size_t>(s.size())};
}

env::PageText unreadable() {
  env::PageText page;
  page.error = std::make_exception_ptr(AppError("Interface not supported"));
  return page;
}

struct PieceRead {
  QPointer<QWebEnginePage> page;
  int httpStatus = 0;
  std::function<void(env::PageText)> done;
  qsizetype length = 0;
  qsizetype from = 0;
  GbkCrLfEncoder encoder;
  GbkString text;

  void finish(env::PageText result) {
    result.httpStatus = httpStatus;
    done(std::move(result));
  }
};

void readNextPiece(const std::shared_ptr<PieceRead>& read) {
  if (!read->page) return;
  read->page->runJavaScript(pieceScript(read->from), QWebEngineScript::ApplicationWorld,
                            [read](const QVariant& result) {
                              // Not through the event dispatch: errors are caught here.
                              guarded([&] {
                                const QVariant piece = result.toMap().value(QStringLiteral("text"));
                                // The document changed under the read: its text is gone.
                                if (piece.typeId() != QMetaType::QString) return read->finish(unreadable());
                                const QString s = piece.toString();
                                read->from += s.size();
                                const bool last = s.isEmpty() || read->from >= read->length;
                                read->encoder.feed(utf16(s), last, read->text);
                                if (!last) return readNextPiece(read);
                                env::PageText page;
                                page.text = std::move(read->text);
                                read->finish(std::move(page));
                              });
                            });
}

}  // namespace

env::PageText pageTextFromScriptResult(const QVariant& result) {
  const QVariantMap map = result.toMap();
  if (!result.isValid() || !map.contains(QStringLiteral("text"))) return unreadable();
  env::PageText page;
  const QVariant text = map.value(QStringLiteral("text"));
  if (text.isNull()) {
    page.hasBody = false;
    return page;
  }
  const QString s = text.toString();
  page.text = gbkFromUtf16WithCrLf(utf16(s));
  return page;
}

void fetchPageText(QWebEnginePage* page, int httpStatus, std::function<void(env::PageText)> done) {
  QPointer<QWebEnginePage> target(page);
  page->runJavaScript(
      firstScript(), QWebEngineScript::ApplicationWorld,
      [target, httpStatus, done = std::move(done)](const QVariant& result) mutable {
        if (!target) return;
        guarded([&] {
          const QVariantMap map = result.toMap();
          if (map.contains(QStringLiteral("length"))) {
            auto read = std::make_shared<PieceRead>();
            read->page = target;
            read->httpStatus = httpStatus;
            read->done = std::move(done);
            read->length = map.value(QStringLiteral("length")).toLongLong();
            // At least a byte a character; text in Chinese grows it once.
            read->text.reserve(static_cast<std::size_t>(read->length));
            return readNextPiece(read);
          }
          env::PageText text = pageTextFromScriptResult(result);
          text.httpStatus = httpStatus;
          done(std::move(text));
        });
      });
}

}  // namespace valo::ui
