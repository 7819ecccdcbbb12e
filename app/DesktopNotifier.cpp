#include "DesktopNotifier.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QStringList>
#include <QVariantMap>
#include <utility>

#include "WordList.h"

namespace {

const QString kPath = QStringLiteral("/org/freedesktop/Notifications");
const QString kInterface = QStringLiteral("org.freedesktop.Notifications");
const QString kDefaultAction = QStringLiteral("default");
// Shown notifications remembered for their clicks; a service that never
// says they closed cannot make this grow without end.
constexpr qsizetype kMaxShown = 1000;

}  // namespace

QString NotificationBody(const QString& sender, const QString& text, bool markup) {
  const QString body = AlertText(sender, text);
  return markup ? body.toHtmlEscaped() : body;
}

DesktopNotifier::DesktopNotifier(QDBusConnection bus, QString service, QObject* parent)
    : QObject(parent), bus_(std::move(bus)), service_(std::move(service)) {
  bus_.connect(service_, kPath, kInterface, QStringLiteral("ActionInvoked"), this, SLOT(ActionInvoked(uint, QString)));
  bus_.connect(service_, kPath, kInterface, QStringLiteral("NotificationClosed"), this,
               SLOT(NotificationClosed(uint, uint)));
}

void DesktopNotifier::Notify(const QString& title, const QString& sender, const QString& text) {
  if (phase_ == Phase::Known) {
    Send({title, NotificationBody(sender, text, markup_)});
    return;
  }
  // The body is escaped or not once the service has said which it wants.
  if (waiting_.size() < kMaxWaiting) waiting_.append({title, AlertText(sender, text)});
  if (phase_ == Phase::Unknown) AskCapabilities();
}

void DesktopNotifier::AskCapabilities() {
  if (!bus_.isConnected()) {
    Failed(QStringLiteral("there is no session bus"));
    return;
  }
  phase_ = Phase::Asking;
  const QDBusMessage ask =
      QDBusMessage::createMethodCall(service_, kPath, kInterface, QStringLiteral("GetCapabilities"));
  auto* watcher = new QDBusPendingCallWatcher(bus_.asyncCall(ask), this);
  connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* call) {
    call->deleteLater();
    const QDBusPendingReply<QStringList> reply = *call;
    if (reply.isError()) {
      Failed(reply.error().message());
      return;
    }
    phase_ = Phase::Known;
    told_ = false;
    markup_ = reply.value().contains(QStringLiteral("body-markup"));
    const QList<Waiting> waiting = std::exchange(waiting_, {});
    for (const Waiting& notification : waiting) {
      Send({notification.title, markup_ ? notification.body.toHtmlEscaped() : notification.body});
    }
  });
}

void DesktopNotifier::Send(const Waiting& notification) {
  QDBusMessage call = QDBusMessage::createMethodCall(service_, kPath, kInterface, QStringLiteral("Notify"));
  call << QStringLiteral("Klaxo") << 0U << QStringLiteral("org.klaxo.Klaxo") << notification.title << notification.body
       << QStringList{kDefaultAction, QStringLiteral("Show Klaxo")}
       << QVariantMap{{QStringLiteral("desktop-entry"), QStringLiteral("org.klaxo.Klaxo")}} << -1;
  auto* watcher = new QDBusPendingCallWatcher(bus_.asyncCall(call), this);
  connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* sent) {
    sent->deleteLater();
    const QDBusPendingReply<uint> reply = *sent;
    if (reply.isError()) {
      // The service went away: ask again next time, it may come back.
      phase_ = Phase::Unknown;
      Failed(reply.error().message());
      return;
    }
    told_ = false;
    if (shown_.size() >= kMaxShown) shown_.clear();
    shown_.insert(reply.value());
  });
}

void DesktopNotifier::Failed(const QString& reason) {
  phase_ = Phase::Unknown;
  waiting_.clear();
  if (std::exchange(told_, true)) return;
  if (onUnavailable) onUnavailable(QStringLiteral("Desktop notifications cannot be shown: %1").arg(reason));
}

void DesktopNotifier::ActionInvoked(uint id, const QString& action) {
  // The service tells every client of every click; only ours count.
  if (action == kDefaultAction && shown_.contains(id) && onActivated) onActivated();
}

void DesktopNotifier::NotificationClosed(uint id, uint /*reason*/) { shown_.remove(id); }
