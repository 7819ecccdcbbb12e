// Desktop notifications through the freedesktop notification service
// (org.freedesktop.Notifications on the session bus).
//
// Each alert is its own notification (it replaces none): the title, and
// "sender: text" as plain text. Services that read markup in the body get
// the text escaped, so nothing from the network becomes markup. Which kind
// the service is, is asked once, asynchronously, before the first
// notification; notifications asked for meanwhile wait, in order. Every call
// is asynchronous: a slow or missing service never holds up the window.
// Clicking a notification (its default action) calls onActivated. When the
// service cannot be reached, onUnavailable is called once with the reason,
// and again only after the service has worked in between.
#pragma once

#include <QDBusConnection>
#include <QList>
#include <QObject>
#include <QSet>
#include <QString>
#include <functional>

class DesktopNotifier : public QObject {
  Q_OBJECT
 public:
  static constexpr const char* kService = "org.freedesktop.Notifications";
  // Notifications held while the service's capabilities are asked for.
  static constexpr qsizetype kMaxWaiting = 100;

  explicit DesktopNotifier(QDBusConnection bus = QDBusConnection::sessionBus(),
                           QString service = QString::fromLatin1(kService), QObject* parent = nullptr);

  void Notify(const QString& title, const QString& sender, const QString& text);

  std::function<void()> onActivated;
  std::function<void(const QString& reason)> onUnavailable;

 private:
  struct Waiting {
    QString title;
    QString body;
  };
  enum class Phase { Unknown, Asking, Known };

  void AskCapabilities();
  void Send(const Waiting& notification);
  void Failed(const QString& reason);

 private Q_SLOTS:
  // The service's signals, which QtDBus delivers only to slots.
  void ActionInvoked(uint id, const QString& action);
  void NotificationClosed(uint id, uint reason);

 private:
  QDBusConnection bus_;
  QString service_;
  Phase phase_ = Phase::Unknown;
  bool markup_ = false;
  bool told_ = false;
  QList<Waiting> waiting_;
  QSet<uint> shown_;
};

// The body as the service shows it: markup-escaped when it reads markup.
QString NotificationBody(const QString& sender, const QString& text, bool markup);
