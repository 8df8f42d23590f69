#include "app/ApplicationEvents.h"

#include <QCoreApplication>
#include <QWidget>

#include "app/Application.h"

TApplicationEvents::TApplicationEvents(QObject* owner) : QObject(owner) {
  setObjectName("ApplicationEvents1");
  QCoreApplication::instance()->installEventFilter(this);
}

TApplicationEvents::~TApplicationEvents() {
  if (QCoreApplication::instance()) QCoreApplication::instance()->removeEventFilter(this);
}

bool TApplicationEvents::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() != platform::THotKeyEvent::EventType() || !OnMessage_) return false;
  platform::TMsg msg = static_cast<platform::THotKeyEvent*>(event)->ToMsg(
      qobject_cast<QWidget*>(watched));
  bool handled = false;
  RunHandler([&] { OnMessage_(msg, handled); });
  return handled;
}
