#pragma once
// The application's message hook: sees the messages posted to the program before they are
// dispatched. Of the platform's messages only WM_HOTKEY exists in this program; Qt's own input
// events are no messages in that sense and pass untouched.

#include <QObject>

#include <functional>

#include "platform/Hotkeys.h"

class TApplicationEvents : public QObject {
  Q_OBJECT

 public:
  // (message, handled): setting handled stops the message's normal dispatch.
  using TMessageEvent = std::function<void(platform::TMsg& Msg, bool& Handled)>;

  // Installs itself on the application object, which must exist.
  explicit TApplicationEvents(QObject* owner);
  ~TApplicationEvents() override;

  void SetOnMessage(TMessageEvent handler) { OnMessage_ = std::move(handler); }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  TMessageEvent OnMessage_;
};
