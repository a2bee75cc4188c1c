// The tray component's hidden window: an addressable receiver of the shell's
// notifications with a queue for posted messages, standing in for the
// invisible window the notification-area protocol talks to.
#pragma once

#include <QList>
#include <QObject>
#include <QtGlobal>
#include <cstdint>
#include <functional>

namespace valo::ui {

class TrayHiddenWindow : public QObject {
  Q_OBJECT

 public:
  // The procedure receives (message, wParam, lParam) and returns the result.
  using Procedure = std::function<std::intptr_t(unsigned, std::uintptr_t, std::intptr_t)>;

  explicit TrayHiddenWindow(Procedure procedure);
  ~TrayHiddenWindow() override;

  // Process-unique, never 0; the shell addresses notifications by it.
  quintptr id() const { return id_; }

  // Delivers a message to the procedure at once.
  std::intptr_t send(unsigned message, std::uintptr_t wParam, std::intptr_t lParam);

  // Queues a message; the event loop delivers it later.
  void post(unsigned message, std::uintptr_t wParam, std::intptr_t lParam);
  int pendingMessages() const { return static_cast<int>(queue_.size()); }

  // What the system does with a message the procedure does not handle: it is
  // accepted and answered with 0. The count lets callers see it happen.
  std::intptr_t defaultProcedure(unsigned message, std::uintptr_t wParam, std::intptr_t lParam);
  int defaultHandled() const { return defaultHandled_; }
  unsigned lastDefaultMessage() const { return lastDefaultMessage_; }

  // The live hidden window with this id, or nullptr.
  static TrayHiddenWindow* find(quintptr id);

 private:
  struct Message {
    unsigned message;
    std::uintptr_t wParam;
    std::intptr_t lParam;
  };
  void deliverPosted();

  Procedure procedure_;
  quintptr id_;
  QList<Message> queue_;
  int defaultHandled_ = 0;
  unsigned lastDefaultMessage_ = 0;
};

}  // namespace valo::ui
