// Hidden-window registry and message delivery.
#include "ui/tray/tray_window.h"

#include <QHash>

namespace valo::ui {
namespace {

QHash<quintptr, TrayHiddenWindow*>& registry() {
  static QHash<quintptr, TrayHiddenWindow*> windows;
  return windows;
}

quintptr nextId() {
  // Starts away from 0 so that a zeroed record never names a live window.
  static quintptr counter = 0x10000;
  return ++counter;
}

}  // namespace

TrayHiddenWindow::TrayHiddenWindow(Procedure procedure) : procedure_(std::move(procedure)), id_(nextId()) {
  registry().insert(id_, this);
}

TrayHiddenWindow::~TrayHiddenWindow() {
  registry().remove(id_);
}

std::intptr_t TrayHiddenWindow::send(unsigned message, std::uintptr_t wParam, std::intptr_t lParam) {
  if (procedure_) return procedure_(message, wParam, lParam);
  return defaultProcedure(message, wParam, lParam);
}

void TrayHiddenWindow::post(unsigned message, std::uintptr_t wParam, std::intptr_t lParam) {
  queue_.append(Message{message, wParam, lParam});
  QMetaObject::invokeMethod(this, &TrayHiddenWindow::deliverPosted, Qt::QueuedConnection);
}

void TrayHiddenWindow::deliverPosted() {
  if (queue_.isEmpty()) return;
  Message m = queue_.takeFirst();
  send(m.message, m.wParam, m.lParam);
}

std::intptr_t TrayHiddenWindow::defaultProcedure(unsigned message, std::uintptr_t, std::intptr_t) {
  ++defaultHandled_;
  lastDefaultMessage_ = message;
  return 0;
}

TrayHiddenWindow* TrayHiddenWindow::find(quintptr id) {
  return registry().value(id, nullptr);
}

}  // namespace valo::ui
